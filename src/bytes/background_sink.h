// A copy-through that goes on on a thread of its own: the source goes on
// reading and searching while the bytes it has passed are joined and written.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>

#include "bytes/line_source.h"

namespace dxfprofile {

// Gathers the bytes it takes in blocks and hands each block to `next` on a
// thread of its own, in order. A block never ends between the CR and the LF
// of a pair. Where no thread can be started, it hands them on itself. `next`
// must be left alone until finish returns.
class BackgroundSink final : public ByteSink {
  public:
    explicit BackgroundSink(ByteSink& next);
    ~BackgroundSink();
    BackgroundSink(const BackgroundSink&) = delete;
    BackgroundSink& operator=(const BackgroundSink&) = delete;

    void take(const char* data, std::size_t size) override;
    // Waits until `next` has taken every byte given, and stops the thread;
    // what it takes after that, it hands on itself.
    void finish();

    // The bytes waiting for the thread: a few blocks, each as large as a
    // write that the kernel takes at full speed.
    static constexpr std::size_t BLOCKS = 4;
    static constexpr std::size_t BLOCK_SIZE = 1 << 18;

  private:
    char* blockOf(std::size_t block) { return storage_.get() + block % BLOCKS * BLOCK_SIZE; }
    void hand(std::size_t size);
    void run();

    ByteSink& next_;
    std::unique_ptr<char[]> storage_;  // BLOCKS blocks of BLOCK_SIZE bytes
    std::size_t sizes_[BLOCKS] = {};
    std::size_t handed_ = 0;  // blocks handed to the thread so far
    std::size_t taken_ = 0;   // blocks that `next` has taken
    std::size_t used_ = 0;    // bytes in the block being filled
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable handedMore_;
    std::condition_variable tookMore_;
    std::thread thread_;
};

}  // namespace dxfprofile
