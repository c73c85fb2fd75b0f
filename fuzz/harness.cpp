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

#include "entities/entity_table.h"
#include "mode2/layer_inventory.h"
#include "mode2/section_extractor.h"
#include "io/output_file.h"
#include "reader/layer_scan.h"
#include "bytes/line_source.h"

namespace dxfprofile::fuzzing {
namespace {

const char* const SCAN_INPUT = "input.sdxf";
const char* const DXF_INPUT = "input.dxf";
const char* const SDXF_OUTPUT = "input.sdxf";
const char* const LAYERS_OUTPUT = "input.layers";

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

void writeInput(const char* name, const std::uint8_t* data, std::size_t size) {
    int fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) fail("cannot create the input file");
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written <= 0) fail("cannot write the input file");
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    ::close(fd);
}

// The lowest free descriptor: a run that leaks one moves it.
int lowestFreeDescriptor() {
    int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail("cannot open /dev/null");
    ::close(fd);
    return fd;
}

// Sources opened while it lives search or read piece by piece as
// `settings` says.
class ReadSettings {
  public:
    explicit ReadSettings(SourceSettings settings) : saved_(sourceSettings) {
        sourceSettings = settings;
    }
    ~ReadSettings() { sourceSettings = saved_; }
    ReadSettings(const ReadSettings&) = delete;
    ReadSettings& operator=(const ReadSettings&) = delete;

  private:
    SourceSettings saved_;
};

// The ways of reading that must all give what the block search with whole
// blocks gives: the block search with small reads, so that its windows end
// anywhere, with and without the wide vectors, and piece by piece with other
// small reads.
std::vector<SourceSettings> otherReadings(std::size_t size) {
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

ScanRun runScan(const char* layerName, const std::string& profileName) {
    ScanRun run;
    run.status = processLayer(SCAN_INPUT, layerName);
    run.entityCount = entityTable.entityCount;
    std::size_t stored = std::min<std::size_t>(entityTable.entityCount, MAX_ENTITIES);
    run.records.assign(entityTable.records, entityTable.records + stored);
    std::set<std::string> expected{SCAN_INPUT};
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

struct ExtractRun {
    int status = 0;
    int inventoryStatus = 0;
    std::string sdxf;
    std::string layers;
};

ExtractRun runExtract() {
    ExtractRun run;
    int dxfInput = ::open(DXF_INPUT, O_RDONLY | O_CLOEXEC);
    if (dxfInput < 0) fail("cannot open the input");
    LayerList layers;
    run.status = extractEntitiesSection(dxfInput, SDXF_OUTPUT, layers);
    ::close(dxfInput);
    if (run.status == 0) {
        run.inventoryStatus = listLayers(LAYERS_OUTPUT, layers);
        expectFiles({DXF_INPUT, SDXF_OUTPUT, LAYERS_OUTPUT}, "mode 2");
        readWhole(SDXF_OUTPUT, run.sdxf);
        readWhole(LAYERS_OUTPUT, run.layers);
        ::unlink(SDXF_OUTPUT);
        ::unlink(LAYERS_OUTPUT);
    } else {
        expectFiles({DXF_INPUT}, "mode 2");
    }
    return run;
}

void checkExtractRun(const ExtractRun& run) {
    if (run.status == -1) return;
    if (run.status != 0) fail("mode 2 status " + std::to_string(run.status));
    if (run.inventoryStatus != 0) fail("inventory status " + std::to_string(run.inventoryStatus));
    if (run.sdxf.size() < 3 || run.sdxf.compare(run.sdxf.size() - 3, 3, "EOF") != 0)
        fail("SDXF file does not end with EOF");
    // One line per distinct name.
    std::set<std::string> names;
    std::size_t start = 0;
    while (start < run.layers.size()) {
        std::size_t end = run.layers.find('\n', start);
        if (end == std::string::npos) fail("layers file ends inside a line");
        if (!names.insert(run.layers.substr(start, end - start)).second)
            fail("a layer name is listed twice");
        start = end + 1;
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
    writeInput(SCAN_INPUT, data, size);
    std::string profileName = std::string(layerName) + ".txt";
    int firstFree = lowestFreeDescriptor();
    ScanRun blocks = runScan(layerName, profileName);
    checkScanRun(blocks, layerName);
    for (const SourceSettings& settings : otherReadings(size)) {
        ScanRun other;
        {
            ReadSettings reads(settings);
            other = runScan(layerName, profileName);
        }
        if (blocks.status != other.status || blocks.entityCount != other.entityCount ||
            !sameRecords(blocks.records, other.records) ||
            blocks.profileWritten != other.profileWritten)
            fail("mode 3 reads differently with small reads or piece by piece");
        if (blocks.status == 0 && profileBody(blocks, layerName) != profileBody(other, layerName))
            fail("mode 3 writes another profile with small reads or piece by piece");
    }
    if (lowestFreeDescriptor() != firstFree) fail("mode 3 leaks a file descriptor");
    ::unlink(SCAN_INPUT);
}

void checkExtract(const std::uint8_t* data, std::size_t size) {
    writeInput(DXF_INPUT, data, size);
    int firstFree = lowestFreeDescriptor();
    ExtractRun blocks = runExtract();
    checkExtractRun(blocks);
    for (const SourceSettings& settings : otherReadings(size)) {
        ExtractRun other;
        {
            ReadSettings reads(settings);
            other = runExtract();
        }
        if (blocks.status != other.status || blocks.sdxf != other.sdxf ||
            blocks.layers != other.layers)
            fail("mode 2 reads differently with small reads or piece by piece");
    }
    if (lowestFreeDescriptor() != firstFree) fail("mode 2 leaks a file descriptor");
    ::unlink(DXF_INPUT);
}

}  // namespace dxfprofile::fuzzing
