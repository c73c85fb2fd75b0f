#include "dxf/name_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace dxfprofile {
namespace {

// Names that share all but one byte, of every size around the key's
// borders, among names long enough to be compared whole.
std::vector<std::string> nearNames() {
    std::vector<std::string> names{""};
    for (std::size_t size = 1; size <= 40; ++size) {
        for (std::size_t at : {std::size_t{0}, size / 2, size - 1}) {
            std::string name(size, 'A');
            name[at] = 'B';
            names.push_back(name);
        }
        names.emplace_back(size, 'A');
        names.push_back(std::string(size - 1, 'A') + '\0');
    }
    return names;
}

TEST(NameSet, KnowsEveryNameAddedAndNoOther) {
    std::vector<std::string> names = nearNames();
    NameSet set;
    std::vector<std::string> added;
    for (std::size_t i = 0; i < names.size(); i += 2) {
        if (set.add(names[i])) added.push_back(names[i]);
        EXPECT_FALSE(set.add(names[i]));
    }
    EXPECT_EQ(set.names(), added);  // in order, each once
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(i);
        bool in = std::find(added.begin(), added.end(), names[i]) != added.end();
        EXPECT_EQ(set.contains(names[i]), in);
    }
}

TEST(NameSet, GrowsPastItsFirstTable) {
    NameSet set;
    for (int i = 0; i < 5000; ++i) EXPECT_TRUE(set.add("L" + std::to_string(i)));
    for (int i = 0; i < 5000; ++i) EXPECT_TRUE(set.contains("L" + std::to_string(i)));
    EXPECT_FALSE(set.contains("L5000"));
    EXPECT_EQ(set.names().size(), 5000u);
}

}  // namespace
}  // namespace dxfprofile
