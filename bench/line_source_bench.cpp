// Micro benchmarks of the line source: pieces per second on short drawing
// lines, on long lines and on CR LF lines, and the rate at which
// nextMarkedLine passes over pieces without markers (with and without a copy).
//
// Each input is a file of about 32 MB in a temporary directory, read from the
// page cache.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "io/output_file.h"
#include "reader/line_source.h"

namespace dxfprofile {
namespace {

constexpr std::size_t INPUT_SIZE = 32u << 20;

// Entities as a CAD program writes them: right-aligned group codes, values
// of a few to a dozen characters.
std::string drawingText(const char* lineEnd) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(-5000.0, 5000.0);
    const char* layers[] = {"WALL-01", "PIPE-07", "DIM-03", "TEXT-00"};
    std::string text = "ENTITIES";
    text += lineEnd;
    char value[64];
    while (text.size() < INPUT_SIZE) {
        for (const char* groupLine :
             {"  0", "LINE", "  5", "1A2F", "330", "1F", "100", "AcDbEntity", "  8",
              layers[random() % 4], "100", "AcDbLine"}) {
            text += groupLine;
            text += lineEnd;
        }
        for (const char* code : {" 10", " 20", " 30", " 11", " 21", " 31"}) {
            std::snprintf(value, sizeof value, "%.10g", coordinate(random));
            text += code;
            text += lineEnd;
            text += value;
            text += lineEnd;
        }
    }
    text += "  0\nENDSEC\nEOF";
    return text;
}

// Lines of 100 to 400 characters, as long text values or comments are.
std::string longLineText() {
    std::mt19937 random(11);
    std::string text;
    while (text.size() < INPUT_SIZE) {
        text.append(100 + random() % 300, 'x');
        text += '\n';
    }
    return text;
}

class InputFile {
  public:
    explicit InputFile(const std::string& bytes) {
        char pattern[] = "/tmp/dxfprofile-bench-XXXXXX";
        int fd = ::mkstemp(pattern);
        if (fd < 0) std::abort();
        ::close(fd);
        path_ = pattern;
        std::ofstream(path_, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        size_ = bytes.size();
    }
    ~InputFile() { ::unlink(path_.c_str()); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const char* path() const { return path_.c_str(); }
    std::size_t size() const { return size_; }

  private:
    std::string path_;
    std::size_t size_ = 0;
};

const InputFile& shortLines() {
    static InputFile file(drawingText("\n"));
    return file;
}
const InputFile& crlfLines() {
    static InputFile file(drawingText("\r\n"));
    return file;
}
const InputFile& longLines() {
    static InputFile file(longLineText());
    return file;
}

LineSource benchSource;
OutputFile benchCopy;

void readAllPieces(benchmark::State& state, const InputFile& file) {
    std::int64_t pieces = 0;
    for (auto _ : state) {
        if (openLineSource(benchSource, file.path()) != 0) std::abort();
        while (nextLine(benchSource)) ++pieces;
        benchmark::DoNotOptimize(benchSource.lineBuffer[0]);
        closeLineSource(benchSource);
    }
    state.SetItemsProcessed(pieces);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

void BM_PiecesOfShortLines(benchmark::State& state) {
    readAllPieces(state, shortLines());
}
void BM_PiecesOfCrLfLines(benchmark::State& state) {
    readAllPieces(state, crlfLines());
}
void BM_PiecesOfLongLines(benchmark::State& state) {
    readAllPieces(state, longLines());
}

// The scan of an absent layer: only "ENDSEC" and "AcDbEntity" pieces stop it.
// Argument 0 reads piece by piece, 1 searches whole blocks 32 bytes at a
// time, 2 searches them 64 bytes at a time where the processor can.
void scanForMarkers(benchmark::State& state, const InputFile& file, bool copy) {
    SourceSettings saved = sourceSettings;
    sourceSettings.bulkSkip = state.range(0) != 0;
    sourceSettings.wideVectors = state.range(0) == 2;
    const MarkerSet markers =
        copy ? makeMarkerSet({"ENDSEC"}) : makeMarkerSet({"ENDSEC", "AcDbEntity"});
    std::int64_t found = 0;
    for (auto _ : state) {
        if (openLineSource(benchSource, file.path()) != 0) std::abort();
        if (copy && openOutput(benchCopy, "/dev/null") != 0) std::abort();
        while (nextMarkedLine(benchSource, markers, copy ? &benchCopy : nullptr)) ++found;
        if (copy) commitOutput(benchCopy);
        closeLineSource(benchSource);
    }
    benchmark::DoNotOptimize(found);
    sourceSettings = saved;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

void BM_NextMarkedLine(benchmark::State& state) {
    scanForMarkers(state, shortLines(), false);
}
void BM_NextMarkedLineCrLf(benchmark::State& state) {
    scanForMarkers(state, crlfLines(), false);
}
void BM_NextMarkedLineCopy(benchmark::State& state) {
    scanForMarkers(state, shortLines(), true);
}
void BM_NextMarkedLineCopyCrLf(benchmark::State& state) {
    scanForMarkers(state, crlfLines(), true);
}

BENCHMARK(BM_PiecesOfShortLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PiecesOfCrLfLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PiecesOfLongLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NextMarkedLine)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NextMarkedLineCrLf)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NextMarkedLineCopy)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NextMarkedLineCopyCrLf)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dxfprofile

BENCHMARK_MAIN();
