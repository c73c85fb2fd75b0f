#include "preview/preview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "io/output_file.h"
#include "test_support.h"

namespace dxfprofile {
namespace {

using testing::fileExists;
using testing::readFile;
using testing::ScopedTempDir;
using testing::ScopedWorkingDir;
using testing::writeFile;

const char* const PROFILE =
    "OUTLINE,ABCDEFGH.IJK\n"
    "1\n"
    "LINE   L01 101    0.000000    0.000000   50.000000    0.000000    0.000000\n"
    "EOF\n";

struct PreviewRun {
    int status;
    std::string out;
    std::string err;
};

PreviewRun run(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "dxfprofile-preview");
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    int status = runPreview(static_cast<int>(arguments.size()), arguments.data());
    std::string out = ::testing::internal::GetCapturedStdout();
    return {status, out, ::testing::internal::GetCapturedStderr()};
}

std::vector<std::string> listing(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(PreviewPath, PutsSvgInPlaceOfTheLastExtension) {
    struct Case {
        const char* profile;
        const char* expected;
    };
    const Case cases[] = {
        {"Pocket.txt", "Pocket.svg"},
        {"Through Hole.txt", "Through Hole.svg"},
        {"v1.2.txt", "v1.2.svg"},
        {"jobs/rev.2/Pocket", "jobs/rev.2/Pocket.svg"},
        {"jobs/rev.2/Pocket.txt", "jobs/rev.2/Pocket.svg"},
        {".txt", ".txt.svg"},
        {"dir/.hidden", "dir/.hidden.svg"},
        {"Pocket.", "Pocket.svg"},
    };
    for (const Case& c : cases) {
        char destination[PATH_BUFFER];
        EXPECT_EQ(previewPath(destination, sizeof destination, c.profile), 0) << c.profile;
        EXPECT_STREQ(destination, c.expected) << c.profile;
    }
    char destination[PATH_BUFFER];
    std::string fits(251, 'a');  // 251 + ".svg" = 255 characters
    EXPECT_EQ(previewPath(destination, sizeof destination, (fits + ".txt").c_str()), 0);
    EXPECT_EQ(previewPath(destination, sizeof destination, (fits + "a.txt").c_str()), -1);
}

TEST(Preview, WritesThePictureUnderTheDefaultOrTheGivenName) {
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    writeFile("OUTLINE.txt", PROFILE);
    PreviewRun first = run({"OUTLINE.txt"});
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.out, "OUTLINE.txt: 1 records drawn in OUTLINE.svg\n");
    EXPECT_EQ(first.err, "");
    PreviewRun second = run({"OUTLINE.txt", "other.svg"});
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.out, "OUTLINE.txt: 1 records drawn in other.svg\n");
    EXPECT_EQ(readFile("other.svg"), readFile("OUTLINE.svg"));
    EXPECT_EQ(listing(dir.path()),
              (std::vector<std::string>{"OUTLINE.svg", "OUTLINE.txt", "other.svg"}));
}

TEST(Preview, RefusesAMalformedProfileAndLeavesNoPicture) {
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    writeFile("bad.txt", "OUTLINE,ABCDEFGH.IJK\n1\nLINE   L01 105 0 0 1 1 0\nEOF\n");
    writeFile("old.svg", "an earlier picture");
    PreviewRun result = run({"bad.txt"});
    EXPECT_EQ(result.status, -2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Error: bad.txt, line 3: type code 105 is outside 101 to 104\n");
    result = run({"bad.txt", "old.svg"});
    EXPECT_EQ(result.status, -2);
    EXPECT_EQ(readFile("old.svg"), "an earlier picture");
    EXPECT_EQ(listing(dir.path()), (std::vector<std::string>{"bad.txt", "old.svg"}));
}

TEST(Preview, RefusesBadArgumentsAndItsOwnInputAsOutput) {
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    const std::string usage =
        "Usage: dxfprofile-preview PROFILE.txt [OUT.svg]\n"
        "       writes OUT.svg (by default PROFILE.svg), a picture of the profile\n";
    EXPECT_EQ(run({}).err, usage);
    PreviewRun tooMany = run({"a.txt", "b.svg", "c"});
    EXPECT_EQ(tooMany.status, -1);
    EXPECT_EQ(tooMany.err, usage);

    std::string longName(256, 'a');
    PreviewRun tooLong = run({longName.c_str()});
    EXPECT_EQ(tooLong.status, -1);
    EXPECT_EQ(tooLong.err, "Error: argument longer than 255 characters\n");
    std::string derived(252, 'a');  // fits; with ".svg" it does not
    EXPECT_EQ(run({derived.c_str()}).err, "Error: output path longer than 255 characters\n");

    writeFile("same.svg", PROFILE);
    PreviewRun same = run({"same.svg"});
    EXPECT_EQ(same.status, -1);
    EXPECT_EQ(same.err, "Error: same.svg would overwrite the input file\n");
    EXPECT_EQ(readFile("same.svg"), PROFILE);

    PreviewRun absent = run({"absent.txt"});
    EXPECT_EQ(absent.status, -1);
    EXPECT_EQ(absent.err, "Error: can't open profile file absent.txt\n");
    EXPECT_FALSE(fileExists("absent.svg"));
}

}  // namespace
}  // namespace dxfprofile
