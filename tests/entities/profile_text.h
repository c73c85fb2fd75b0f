// Reading a written profile file in tests.
#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace dxfprofile::testing {

// The profile with its identifier replaced by "<ID>", after checking its
// form: eight capital letters, '.', three capital letters.
inline std::string withoutIdentifier(const std::string& profile) {
    static const std::regex header(R"(^([^\n]*),([A-Z]{8}\.[A-Z]{3})\n)");
    std::smatch match;
    if (!std::regex_search(profile, match, header)) {
        ADD_FAILURE() << "no identifier in the header of:\n" << profile;
        return profile;
    }
    return match[1].str() + ",<ID>\n" + match.suffix().str();
}

}  // namespace dxfprofile::testing
