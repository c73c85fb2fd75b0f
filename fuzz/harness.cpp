#include "harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "bytes/line_source.h"
#include "dxf/name_set.h"
#include "dxf/section_search.h"
#include "entities/entity_table.h"
#include "mode2/section_extractor.h"
#include "mode2/section_output.h"
#include "mode3/layer_scan.h"

namespace dxfprofile::fuzzing {
namespace {

std::string workspace;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

void removeWorkspace() {
    if (workspace.empty()) return;
    if (::chdir(workspace.c_str()) == 0) {
        if (DIR* dir = ::opendir(".")) {
            while (dirent* entry = ::readdir(dir)) {
                if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                    ::unlink(entry->d_name);
            }
            ::closedir(dir);
        }
    }
    if (::chdir("/") == 0) ::rmdir(workspace.c_str());
}

std::set<std::string> workspaceFiles() {
    std::set<std::string> names;
    DIR* dir = ::opendir(".");
    if (dir == nullptr) fail("cannot list the workspace");
    while (dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.insert(entry->d_name);
    }
    ::closedir(dir);
    return names;
}

// The files of a run must be exactly `expected`: no temporary file or other
// leftover may stay behind.
void expectFiles(const std::set<std::string>& expected, const char* run) {
    std::set<std::string> found = workspaceFiles();
    if (found == expected) return;
    std::string list;
    for (const std::string& name : found) list += " '" + name + "'";
    fail(std::string(run) + ": unexpected files in the workspace:" + list);
}

bool readWhole(const std::string& path, std::string& bytes) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bytes.clear();
    char block[1 << 14];
    for (;;) {
        ssize_t got = ::read(fd, block, sizeof block);
        if (got <= 0) break;
        bytes.append(block, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return true;
}

// The lowest free descriptor: a run that leaks one moves it.
int lowestFreeDescriptor() {
    int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail("cannot open /dev/null");
    ::close(fd);
    return fd;
}

// The ways of reading that must all give what the block search with whole
// blocks gives: the block search with small reads, so that its windows end
// anywhere, with and without the wide vectors, and piece by piece with other
// small reads.
std::vector<SourceSettings> otherReadings(std::size_t size) {
    // Each as many bytes as the input gives, in memory as in a file.
    return {{true, 1 + size % 97, true},
            {true, 1 + size % 61, false},
            {false, 1 + size / 97 % 89, false}};
}

struct ScanRun {
    int status = 0;
    std::uint32_t entityCount = 0;
    std::vector<EntityRecord> records;
    bool profileWritten = false;
    std::string profile;
};

ScanRun runScan(const std::uint8_t* data, std::size_t size, const SourceSettings& settings,
                const char* layerName, const std::string& profileName) {
    ScanRun run;
    LineSource input(settings);
    input.attachSpan(reinterpret_cast<const char*>(data), size);
    // A drawing places its blocks, read from a second view of the same bytes.
    LineSource again(settings);
    again.attachSpan(reinterpret_cast<const char*>(data), size);
    BlockInput blocks;
    blocks.drawing = startsWithSection(input);
    if (blocks.drawing) blocks.source = &again;
    blocks.path = "input.dxf";
    EntityTable entityTable;
    run.status = processLayer(input, "input.sdxf", layerName, stdout, entityTable, blocks);
    run.entityCount = entityTable.entityCount;
    std::size_t stored = std::min<std::size_t>(entityTable.entityCount, MAX_ENTITIES);
    run.records.assign(entityTable.records, entityTable.records + stored);
    std::set<std::string> expected;
    // A layer refused for a value out of range (-1) is left empty, as one
    // refused for its size (-5) is.
    run.profileWritten = run.status == 0 || run.status == -5 ||
                         (run.status == -1 && ::access(profileName.c_str(), F_OK) == 0);
    if (run.profileWritten) expected.insert(profileName);
    expectFiles(expected, "mode 3");
    if (run.profileWritten) {
        readWhole(profileName, run.profile);
        ::unlink(profileName.c_str());
    }
    return run;
}

// Records compared bit for bit, so that a not-a-number equals itself.
bool sameRecords(const std::vector<EntityRecord>& a, const std::vector<EntityRecord>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].type != b[i].type) return false;
        for (int v = 0; v < ENTITY_VALUES; ++v) {
            if (std::bit_cast<std::uint32_t>(a[i].values[v]) !=
                std::bit_cast<std::uint32_t>(b[i].values[v]))
                return false;
        }
    }
    return true;
}

bool isIdentifier(const std::string& text) {
    if (text.size() != 12 || text[8] != '.') return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != 8 && (text[i] < 'A' || text[i] > 'Z')) return false;
    }
    return true;
}

// The profile after its header line, whose form is checked here.
std::string profileBody(const ScanRun& run, const char* layerName) {
    std::size_t headerEnd = run.profile.find('\n');
    if (headerEnd == std::string::npos) fail("profile without a header line");
    std::string header = run.profile.substr(0, headerEnd);
    std::string prefix = std::string(layerName) + ",";
    if (header.compare(0, prefix.size(), prefix) != 0 ||
        !isIdentifier(header.substr(prefix.size())))
        fail("profile header '" + header + "'");
    return run.profile.substr(headerEnd + 1);
}

void checkScanRun(const ScanRun& run, const char* layerName) {
    switch (run.status) {
        case 0: {
            if (run.entityCount > static_cast<std::uint32_t>(MAX_ENTITIES))
                fail("a profile was written for more than 64 records");
            for (const EntityRecord& record : run.records) {
                for (float value : record.values) {
                    if (!std::isfinite(value)) fail("a profile holds a value that is not finite");
                }
            }
            std::string body = profileBody(run, layerName);
            std::string count = std::to_string(run.entityCount) + "\n";
            std::size_t lines =
                static_cast<std::size_t>(std::count(body.begin(), body.end(), '\n'));
            if (body.compare(0, count.size(), count) != 0 || lines != run.entityCount + 2 ||
                body.size() < 4 || body.compare(body.size() - 4, 4, "EOF\n") != 0)
                fail("malformed profile body");
            break;
        }
        case -5:
            if (run.entityCount <= static_cast<std::uint32_t>(MAX_ENTITIES))
                fail("-5 for at most 64 records");
            if (!run.profile.empty()) fail("the refused profile is not empty");
            break;
        case -1:
            if (run.profileWritten && !run.profile.empty())
                fail("a profile with records after a failure");
            break;
        case -2:
        case -4:
            break;
        default:
            fail("mode 3 status " + std::to_string(run.status));
    }
}

// The SDXF file in memory; what was opened must be committed or discarded.
class MemorySdxf final : public SectionOutput {
  public:
    int open() override {
        opened = true;
        return 0;
    }
    void take(const char* data, std::size_t size) override {
        if (!opened || closed) fail("mode 2 writes to an SDXF file that is not open");
        bytes.append(data, size);
    }
    int commit() override {
        closed = true;
        return 0;
    }
    void discard() override {
        closed = true;
        bytes.clear();
    }

    bool opened = false;
    bool closed = false;
    std::string bytes;
};

struct ExtractRun {
    int status = 0;
    std::string sdxf;
    std::vector<std::string> layers;
};

ExtractRun runExtract(const std::uint8_t* data, std::size_t size, const SourceSettings& settings) {
    ExtractRun run;
    LineSource input(settings);
    input.attachSpan(reinterpret_cast<const char*>(data), size);
    MemorySdxf sdxf;
    MemorySdxf blocksFile;
    BlocksCopy blocks(blocksFile);
    LayerList layers;
    run.status = extractEntitiesSection(input, "input.dxf", sdxf, layers, &blocks);
    if (sdxf.opened && !sdxf.closed) fail("mode 2 leaves its SDXF file open");
    if (blocksFile.opened && !blocksFile.closed) fail("mode 2 leaves its blocks file open");
    if (blocks.written && run.status != 0) fail("mode 2 keeps the blocks of a failed run");
    if (run.status == 0) {
        run.sdxf = sdxf.bytes;
        run.layers = layers.names();
    }
    expectFiles({}, "mode 2");
    return run;
}

void checkExtractRun(const ExtractRun& run) {
    if (run.status == -1) return;
    if (run.status != 0) fail("mode 2 status " + std::to_string(run.status));
    if (run.sdxf.size() < 3 || run.sdxf.compare(run.sdxf.size() - 3, 3, "EOF") != 0)
        fail("SDXF file does not end with EOF");
    // Each distinct name once, none holding a line end.
    std::set<std::string> names;
    for (const std::string& name : run.layers) {
        if (name.find('\n') != std::string::npos) fail("a layer name holds a line end");
        if (!names.insert(name).second) fail("a layer name is listed twice");
    }
}

}  // namespace

void enterWorkspace() {
    if (!workspace.empty()) return;
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") + "/dxfprofile-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr || ::chdir(pattern.c_str()) != 0)
        fail("cannot enter a private directory");
    workspace = pattern;
    std::atexit(removeWorkspace);
    // The jobs report on standard output; here nobody reads it.
    std::fflush(stdout);
    int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0 || ::dup2(null, STDOUT_FILENO) < 0) fail("cannot silence standard output");
    ::close(null);
}

void checkLayerScan(const std::uint8_t* data, std::size_t size, const char* layerName) {
    std::string profileName = std::string(layerName) + ".txt";
    int firstFree = lowestFreeDescriptor();
    ScanRun blocks = runScan(data, size, SourceSettings{}, layerName, profileName);
    checkScanRun(blocks, layerName);
    for (const SourceSettings& settings : otherReadings(size)) {
        ScanRun other = runScan(data, size, settings, layerName, profileName);
        if (blocks.status != other.status || blocks.entityCount != other.entityCount ||
            !sameRecords(blocks.records, other.records) ||
            blocks.profileWritten != other.profileWritten)
            fail("mode 3 reads differently with small reads or piece by piece");
        if (blocks.status == 0 && profileBody(blocks, layerName) != profileBody(other, layerName))
            fail("mode 3 writes another profile with small reads or piece by piece");
    }
    if (lowestFreeDescriptor() != firstFree) fail("mode 3 leaks a file descriptor");
}

void checkExtract(const std::uint8_t* data, std::size_t size) {
    int firstFree = lowestFreeDescriptor();
    ExtractRun blocks = runExtract(data, size, SourceSettings{});
    checkExtractRun(blocks);
    for (const SourceSettings& settings : otherReadings(size)) {
        ExtractRun other = runExtract(data, size, settings);
        if (blocks.status != other.status || blocks.sdxf != other.sdxf ||
            blocks.layers != other.layers)
            fail("mode 2 reads differently with small reads or piece by piece");
    }
    if (lowestFreeDescriptor() != firstFree) fail("mode 2 leaks a file descriptor");
}

}  // namespace dxfprofile::fuzzing
