// Micro benchmarks of the reader: pieces per second on short drawing lines,
// on long lines and on CR LF lines, and the rate at which the entity heads
// are passed over as mode 3 and mode 2 pass over them (with and without the
// copy of mode 2).
//
// Each input is a file of about 32 MB in a temporary directory, read from the
// page cache.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "bytes/line_end_join.h"
#include "bytes/line_source.h"
#include "dxf/entity_head.h"
#include "dxf/name_set.h"
#include "io/output_file.h"
#include "kinds/kind_table.h"

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
    text += "  0";
    text += lineEnd;
    text += "ENDSEC";
    text += lineEnd;
    text += "EOF";
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

// The copy of mode 2, written to /dev/null.
class NullCopy final : public ByteSink {
  public:
    NullCopy() : file_(new OutputFile) {}
    int open() { return openOutput(*file_, "/dev/null"); }
    void take(const char* data, std::size_t size) override { writeOutput(*file_, data, size); }
    void commit() { commitOutput(*file_); }

  private:
    std::unique_ptr<OutputFile> file_;
};

void readAllPieces(benchmark::State& state, const InputFile& file) {
    std::int64_t pieces = 0;
    LineSource benchSource;
    for (auto _ : state) {
        if (benchSource.open(file.path()) != 0) std::abort();
        Piece piece;
        while (benchSource.nextPiece(piece)) ++pieces;
        benchmark::DoNotOptimize(piece.text.data());
        benchSource.close();
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

// Heads on the layers named, or on none.
// Passes over every entity head of the file as the two modes do: argument 0
// reads piece by piece, 1 searches whole blocks 32 bytes at a time, 2 searches
// them 64 bytes at a time where the processor can. With `lookFor` the search
// looks for the layer's name (mode 3); otherwise it looks at every layer line
// (mode 2, here with every layer listed), with `copy` writing the section to
// /dev/null on the way.
void passOverHeads(benchmark::State& state, const InputFile& file, bool lookFor, bool copy) {
    SourceSettings settings;
    settings.bulkSkip = state.range(0) != 0;
    settings.wideVectors = state.range(0) == 2;
    LineSource benchSource(settings);
    NullCopy benchCopy;
    LineEndJoiner joiner(benchCopy, benchSource.wideVectors());
    OneLayer absent("ABSENT");
    NameSet listed;  // every layer listed already, as in mode 2 after its first entities
    for (const char* name : {"WALL-01", "PIPE-07", "DIM-03", "TEXT-00"}) listed.add(name);
    std::int64_t heads = 0;
    for (auto _ : state) {
        if (benchSource.open(file.path()) != 0) std::abort();
        if (copy && benchCopy.open() != 0) std::abort();
        if (copy) benchSource.startCopy(joiner);
        Piece first;
        if (!benchSource.nextPiece(first)) std::abort();
        GroupReader reader(benchSource);
        reader.startHere();
        EntityHeads entityHeads(reader, absent, isSubEntity);
        if (lookFor) entityHeads.lookFor("ABSENT");
        if (!lookFor) entityHeads.passOver(listed);
        EntityHead head;
        while (entityHeads.next(head) == HeadResult::head) ++heads;
        if (copy) {
            benchSource.stopCopy();
            benchCopy.commit();
        }
        benchSource.close();
    }
    benchmark::DoNotOptimize(heads);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

void BM_HeadsOfAnAbsentLayer(benchmark::State& state) {
    passOverHeads(state, shortLines(), true, false);
}
void BM_HeadsOfAnAbsentLayerCrLf(benchmark::State& state) {
    passOverHeads(state, crlfLines(), true, false);
}
void BM_LayerLinesOfEveryHead(benchmark::State& state) {
    passOverHeads(state, shortLines(), false, false);
}
void BM_LayerLinesOfEveryHeadWithCopy(benchmark::State& state) {
    passOverHeads(state, shortLines(), false, true);
}
void BM_LayerLinesOfEveryHeadWithCopyCrLf(benchmark::State& state) {
    passOverHeads(state, crlfLines(), false, true);
}

BENCHMARK(BM_PiecesOfShortLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PiecesOfCrLfLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PiecesOfLongLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeadsOfAnAbsentLayer)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeadsOfAnAbsentLayerCrLf)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayerLinesOfEveryHead)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayerLinesOfEveryHeadWithCopy)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayerLinesOfEveryHeadWithCopyCrLf)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dxfprofile

BENCHMARK_MAIN();
