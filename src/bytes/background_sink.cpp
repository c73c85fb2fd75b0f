#include "bytes/background_sink.h"

#include <algorithm>
#include <cstring>
#include <system_error>

namespace dxfprofile {

BackgroundSink::BackgroundSink(ByteSink& next)
    : next_(next), storage_(new char[BLOCKS * BLOCK_SIZE]) {
    try {
        thread_ = std::thread(&BackgroundSink::run, this);
    } catch (const std::system_error&) {
        // No thread: every block is handed on when it is full.
    }
}

BackgroundSink::~BackgroundSink() {
    finish();
}

void BackgroundSink::take(const char* data, std::size_t size) {
    while (size > 0) {
        std::size_t step = std::min(size, BLOCK_SIZE - used_);
        std::memcpy(blockOf(handed_) + used_, data, step);
        used_ += step;
        data += step;
        size -= step;
        if (used_ < BLOCK_SIZE) continue;
        // A CR at the end may be the first half of a pair: it starts the
        // next block.
        char* block = blockOf(handed_);
        bool heldBack = block[BLOCK_SIZE - 1] == '\r';
        hand(BLOCK_SIZE - (heldBack ? 1 : 0));
        if (heldBack) blockOf(handed_)[used_++] = '\r';
    }
}

// Hands `size` bytes of the block being filled to the thread, and waits for
// the next block to be free.
void BackgroundSink::hand(std::size_t size) {
    used_ = 0;
    if (!thread_.joinable()) {
        next_.take(blockOf(handed_++), size);
        return;
    }
    std::unique_lock lock(mutex_);
    sizes_[handed_ % BLOCKS] = size;
    ++handed_;
    handedMore_.notify_one();
    tookMore_.wait(lock, [this] { return handed_ - taken_ < BLOCKS; });
}

void BackgroundSink::finish() {
    if (used_ > 0) hand(used_);
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    handedMore_.notify_one();
    thread_.join();
}

void BackgroundSink::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        handedMore_.wait(lock, [this] { return taken_ < handed_ || stopping_; });
        if (taken_ == handed_) return;
        std::size_t block = taken_;
        lock.unlock();
        next_.take(blockOf(block), sizes_[block % BLOCKS]);
        lock.lock();
        ++taken_;
        tookMore_.notify_one();
    }
}

}  // namespace dxfprofile
