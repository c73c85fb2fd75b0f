#include "cli/derive_path.h"

#include <gtest/gtest.h>

#include <string>

#include "io/output_file.h"

namespace dxfprofile {
namespace {

TEST(DerivePath, CutsAtTheFirstDotOfTheLastComponent) {
    struct Case {
        const char* path;
        const char* suffix;
        const char* expected;
    };
    const Case cases[] = {
        {"plan.dxf", ".sdxf", "plan.sdxf"},
        {"plan.old.dxf", ".sdxf", "plan.sdxf"},
        {"jobs/rev.2/plan.dxf", ".sdxf", "jobs/rev.2/plan.sdxf"},
        {"./plan.dxf", ".sdxf", "./plan.sdxf"},
        {"../plan.dxf", ".sdxf", "../plan.sdxf"},
        {".sdxf", ".layers", ".layers"},
        {"plan.sdxf", ".layers", "plan.layers"},
        {"jobs/plan", ".sdxf", "jobs/plan.sdxf"},
        {"plan", ".sdxf", "plan.sdxf"},
        {"rev.2/plan", ".sdxf", "rev.2/plan.sdxf"},
        {".dxf", ".sdxf", ".sdxf"},
        {"jobs/.dxf", ".sdxf", "jobs/.sdxf"},
        {"jobs/", ".sdxf", "jobs/.sdxf"},
        {"", ".sdxf", ".sdxf"},
        {"/abs/dir.d/x.y.z", ".layers", "/abs/dir.d/x.layers"},
    };
    for (const Case& c : cases) {
        char destination[PATH_BUFFER];
        EXPECT_EQ(derivePath(destination, c.path, c.suffix), 0) << c.path;
        EXPECT_STREQ(destination, c.expected) << c.path << " with " << c.suffix;
    }
}

TEST(DerivePath, RefusesAResultThatDoesNotFit) {
    char destination[PATH_BUFFER];
    std::string fits(250, 'a');  // 250 + ".sdxf" = 255 characters
    EXPECT_EQ(derivePath(destination, (fits + ".dxf").c_str(), ".sdxf"), 0);
    EXPECT_EQ(std::string(destination).size(), 255u);
    std::string tooLong(251, 'a');
    EXPECT_EQ(derivePath(destination, (tooLong + ".dxf").c_str(), ".sdxf"), -1);
    EXPECT_STREQ(destination, "");
}

}  // namespace
}  // namespace dxfprofile
