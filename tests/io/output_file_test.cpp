#include "io/output_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "test_support.h"

namespace dxfprofile {
namespace {

using testing::fileExists;
using testing::readFile;
using testing::ScopedTempDir;
using testing::writeFile;

// The names in a directory, sorted.
std::vector<std::string> entries(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void writeText(OutputFile& out, const std::string& text) {
    writeOutput(out, text.data(), text.size());
}

// The ways an output can be written: the unnamed file, the unnamed file
// copied into a named one where the kernel refuses to link it, and the named
// temporary file of file systems without unnamed files.
struct Way {
    const char* name;
    OutputSettings settings;
    bool unnamed;
};
const Way WAYS[] = {
    {"unnamed", {true, true}, true},
    {"copied", {true, false}, true},
    {"named", {false, true}, false},
};

// Runs `test` once for each way.
template <typename Test>
void eachWay(Test test) {
    for (const Way& way : WAYS) {
        SCOPED_TRACE(way.name);
        test(way);
    }
}

// An output to be opened the way `way` says.
std::unique_ptr<OutputFile> outputFor(const Way& way) {
    auto out = std::make_unique<OutputFile>();
    out->settings = way.settings;
    return out;
}

// Whether the file system of `directory` has unnamed files at all.
bool haveUnnamedFiles(const std::string& directory) {
    int fd = ::open(directory.c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

TEST(OutputFile, OldFileStaysUntilTheCommitReplacesIt) {
    eachWay([](const Way& way) {
        ScopedTempDir dir;
        std::string path = dir.file("plan.sdxf");
        writeFile(path, "old contents\n");
        auto out = outputFor(way);
        ASSERT_EQ(openOutput(*out, path.c_str()), 0);
        writeText(*out,
                  std::string(OUTPUT_BLOCK + 10, 'x'));  // more than one block reaches the disk
        EXPECT_EQ(readFile(path), "old contents\n");
        std::vector<std::string> during = entries(dir.path());
        if (way.unnamed && haveUnnamedFiles(dir.path())) {
            EXPECT_EQ(during, std::vector<std::string>{"plan.sdxf"});
        } else {
            ASSERT_EQ(during.size(), 2u);
            EXPECT_EQ(during[0].rfind(".plan.sdxf.", 0), 0u) << during[0];
        }
        EXPECT_EQ(commitOutput(*out), 0);
        EXPECT_EQ(readFile(path), std::string(OUTPUT_BLOCK + 10, 'x'));
        EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"plan.sdxf"});
    });
}

TEST(OutputFile, DiscardLeavesTheOldFileAndNoTemporaryFile) {
    eachWay([](const Way& way) {
        ScopedTempDir dir;
        std::string path = dir.file("plan.sdxf");
        writeFile(path, "old contents\n");
        auto out = outputFor(way);
        ASSERT_EQ(openOutput(*out, path.c_str()), 0);
        writeText(*out, "half of it");
        discardOutput(*out);
        EXPECT_EQ(readFile(path), "old contents\n");
        EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"plan.sdxf"});
    });
}

TEST(OutputFile, FailedRenameLeavesNoHiddenName) {
    eachWay([](const Way& way) {
        ScopedTempDir dir;
        std::string path = dir.file("plan.sdxf");
        auto out = outputFor(way);
        ASSERT_EQ(openOutput(*out, path.c_str()), 0);
        writeText(*out, "ENTITIES\n");
        // A directory now stands under the name: a file cannot be renamed over it.
        std::filesystem::create_directory(path);
        EXPECT_EQ(commitOutput(*out), -1);
        EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"plan.sdxf"});
        EXPECT_TRUE(std::filesystem::is_empty(path));
    });
}

TEST(OutputFile, BlocksOfEverySizeArriveInOrder) {
    eachWay([](const Way& way) {
        ScopedTempDir dir;
        std::string path = dir.file("out.txt");
        auto out = outputFor(way);
        ASSERT_EQ(openOutput(*out, path.c_str()), 0);
        std::string expected;
        // Small writes that cross the block end, one larger than a block, and
        // a formatted one.
        for (std::size_t size : {std::size_t{1}, OUTPUT_BLOCK - 3, std::size_t{7},
                                 2 * OUTPUT_BLOCK + 5, std::size_t{0}, std::size_t{300}}) {
            std::string text(size, static_cast<char>('a' + expected.size() % 26));
            expected += text;
            writeText(*out, text);
        }
        printOutput(*out, "%s,%u\n", "LAYER", 65u);
        expected += "LAYER,65\n";
        EXPECT_EQ(commitOutput(*out), 0);
        EXPECT_EQ(readFile(path), expected);
        EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"out.txt"});
    });
}

TEST(OutputFile, NewFileGetsTheModeOfAPlainCreate) {
    eachWay([](const Way& way) {
        ScopedTempDir dir;
        std::string path = dir.file("out.txt");
        mode_t previous = ::umask(027);
        auto out = outputFor(way);
        EXPECT_EQ(openOutput(*out, path.c_str()), 0);
        EXPECT_EQ(commitOutput(*out), 0);
        ::umask(previous);
        struct stat info;
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0640u);
    });
}

TEST(OutputFile, LinkToAFileReplacesTheFileAndKeepsTheLink) {
    ScopedTempDir dir;
    std::filesystem::create_directory(dir.file("real"));
    writeFile(dir.file("real/plan.sdxf"), "old");
    std::filesystem::create_symlink("real/plan.sdxf", dir.file("plan.sdxf"));
    auto out = std::make_unique<OutputFile>();
    ASSERT_EQ(openOutput(*out, dir.file("plan.sdxf").c_str()), 0);
    writeText(*out, "new");
    EXPECT_EQ(commitOutput(*out), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("plan.sdxf")));
    EXPECT_EQ(readFile(dir.file("real/plan.sdxf")), "new");
    EXPECT_EQ(entries(dir.file("real")), std::vector<std::string>{"plan.sdxf"});
}

TEST(OutputFile, LinkToAFileNotYetThereCreatesItAndKeepsTheLink) {
    ScopedTempDir dir;
    std::filesystem::create_directory(dir.file("real"));
    std::filesystem::create_symlink("real/plan.sdxf", dir.file("plan.sdxf"));
    std::filesystem::create_symlink("missing/plan.layers", dir.file("plan.layers"));
    auto out = std::make_unique<OutputFile>();
    ASSERT_EQ(openOutput(*out, dir.file("plan.sdxf").c_str()), 0);
    writeText(*out, "new");
    EXPECT_EQ(commitOutput(*out), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("plan.sdxf")));
    EXPECT_EQ(readFile(dir.file("real/plan.sdxf")), "new");
    // Into a directory that does not exist: nothing can be opened.
    EXPECT_EQ(openOutput(*out, dir.file("plan.layers").c_str()), -1);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("plan.layers")));
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"plan.layers", "plan.sdxf", "real"}));
}

TEST(OutputFile, NamesThatCannotBeOpenedLeaveNothing) {
    ScopedTempDir dir;
    std::filesystem::create_directory(dir.file("taken"));
    std::string tooLong = dir.file(std::string(2 * PATH_BUFFER, 'n'));
    for (const std::string& path :
         {dir.file("taken"), dir.file("no/such/dir.txt"), std::string(), tooLong}) {
        auto out = std::make_unique<OutputFile>();
        EXPECT_EQ(openOutput(*out, path.c_str()), -1) << path;
        EXPECT_EQ(commitOutput(*out), -1) << path;
    }
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"taken"});
}

TEST(OutputFile, WriteToAFullDeviceFailsAtTheCommit) {
    ScopedTempDir dir;
    std::string path = dir.file("plan.sdxf");
    std::filesystem::create_symlink("/dev/full", path);
    auto out = std::make_unique<OutputFile>();
    ASSERT_EQ(openOutput(*out, path.c_str()), 0);
    writeText(*out, "ENTITIES\n");
    EXPECT_EQ(commitOutput(*out), -1);
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"plan.sdxf"});
}

// A file size limit makes writes to a regular file fail as a full disk does.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {bytes, saved_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    struct rlimit saved_ = {};
    void (*previousHandler_)(int) = nullptr;
};

TEST(OutputFile, FailedWriteToAFileRemovesTheTemporaryAndKeepsTheOldFile) {
    eachWay([](const Way& way) {
        ScopedTempDir dir;
        std::string path = dir.file("plan.sdxf");
        writeFile(path, "old contents\n");
        auto out = outputFor(way);
        {
            FileSizeLimit limit(4096);
            ASSERT_EQ(openOutput(*out, path.c_str()), 0);
            writeText(*out, std::string(3 * OUTPUT_BLOCK, 'x'));
            EXPECT_EQ(commitOutput(*out), -1);
        }
        EXPECT_EQ(readFile(path), "old contents\n");
        EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"plan.sdxf"});
    });
}

TEST(OutputFile, FormattedTextLongerThanItsBufferFailsTheFile) {
    ScopedTempDir dir;
    std::string path = dir.file("L.txt");
    auto out = std::make_unique<OutputFile>();
    ASSERT_EQ(openOutput(*out, path.c_str()), 0);
    printOutput(*out, "%s\n", std::string(600, 'L').c_str());
    EXPECT_EQ(commitOutput(*out), -1);
    EXPECT_FALSE(fileExists(path));
    EXPECT_TRUE(entries(dir.path()).empty());
}

TEST(OutputFile, SameFileIsFoundThroughLinksAndOtherSpellings) {
    ScopedTempDir dir;
    testing::ScopedWorkingDir inside(dir.path());
    writeFile("plan.sdxf", "ENTITIES\n");
    writeFile("other.sdxf", "ENTITIES\n");
    std::filesystem::create_directory("sub");
    ASSERT_EQ(::link("plan.sdxf", "hard.sdxf"), 0);
    std::filesystem::create_symlink("plan.sdxf", "soft.sdxf");
    std::filesystem::create_symlink("absent.sdxf", "dangling.sdxf");
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        {"plan.sdxf", "plan.sdxf", true},        {"plan.sdxf", "./plan.sdxf", true},
        {"plan.sdxf", "sub/../plan.sdxf", true}, {"plan.sdxf", "hard.sdxf", true},
        {"plan.sdxf", "soft.sdxf", true},        {"plan.sdxf", "other.sdxf", false},
        {"plan.sdxf", "absent.sdxf", false},     {"absent.sdxf", "absent.sdxf", false},
        {"absent.sdxf", "dangling.sdxf", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isSameFile(c.a, c.b), c.same) << c.a << " and " << c.b;
        EXPECT_EQ(isSameFile(c.b, c.a), c.same) << c.b << " and " << c.a;
    }
}

}  // namespace
}  // namespace dxfprofile
