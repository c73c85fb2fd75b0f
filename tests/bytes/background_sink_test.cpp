#include "bytes/background_sink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bytes/line_end_join.h"

namespace dxfprofile {
namespace {

constexpr std::size_t BLOCK = BackgroundSink::BLOCK_SIZE;

// Keeps every range it takes.
struct Ranges final : ByteSink {
    std::vector<std::string> taken;
    void take(const char* data, std::size_t size) override { taken.emplace_back(data, size); }
    std::string all() const {
        std::string bytes;
        for (const std::string& range : taken) bytes += range;
        return bytes;
    }
};

TEST(BackgroundSink, HandsOnEveryByteInOrderAndNeverSplitsAPair) {
    // Ranges that fill a block exactly, cross its end, span every block at
    // once and more, and nothing at all; a CR LF pair across each block end.
    std::string text;
    std::vector<std::size_t> sizes = {
        1, BLOCK - 2, 1, 1, 0, 7, BackgroundSink::BLOCKS * BLOCK + 5, 3 * BLOCK - 7};
    for (std::size_t at = 0; text.size() < 9 * BLOCK; ++at)
        text += at % 3 == 0 ? "\r\n" : std::string(at % 7 + 1, static_cast<char>('a' + at % 26));
    text.resize(9 * BLOCK + 1);
    text.back() = '\r';  // the last range may end with a CR
    for (std::size_t end = BLOCK - 1; end < text.size() - 1; end += BLOCK) {
        text[end] = '\r';
        text[end + 1] = '\n';
    }
    Ranges ranges;
    {
        BackgroundSink sink(ranges);
        std::size_t at = 0;
        for (std::size_t size : sizes) {
            sink.take(text.data() + at, size);
            at += size;
        }
        sink.finish();
        sink.finish();  // a second finish has nothing to do
        sink.take(text.data() + at, text.size() - at);
    }  // what it took after finishing, it handed on itself
    EXPECT_EQ(ranges.all(), text);
    for (std::size_t i = 0; i + 1 < ranges.taken.size(); ++i) {
        ASSERT_FALSE(ranges.taken[i].empty());
        EXPECT_NE(ranges.taken[i].back(), '\r') << "range " << i;
    }

    // So the line ends joined on the thread are those joined at once.
    Ranges joinedHere;
    LineEndJoiner(joinedHere, false).take(text.data(), text.size());
    Ranges joinedThere;
    LineEndJoiner join(joinedThere, true);
    BackgroundSink(join).take(text.data(), text.size());
    EXPECT_EQ(joinedThere.all(), joinedHere.all());
}

}  // namespace
}  // namespace dxfprofile
