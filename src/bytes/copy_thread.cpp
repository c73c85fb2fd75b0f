#include "bytes/copy_thread.h"

#include <system_error>

namespace dxfprofile {

CopyThread::CopyThread(ByteSink& sink) : sink_(sink) {
    try {
        thread_ = std::thread(&CopyThread::run, this);
    } catch (const std::system_error&) {
        // No thread: every range is handed on when it comes.
    }
}

CopyThread::~CopyThread() {
    finish();
}

void CopyThread::hand(const char* data, std::size_t size) {
    if (!thread_.joinable()) {
        sink_.take(data, size);
        ++handed_;
        ++done_;
        return;
    }
    std::unique_lock lock(mutex_);
    didMore_.wait(lock, [this] { return handed_ - done_ < WAITING; });
    ranges_[handed_ % WAITING] = {data, size};
    ++handed_;
    handedMore_.notify_one();
}

void CopyThread::waitFor(std::size_t count) {
    std::unique_lock lock(mutex_);
    didMore_.wait(lock, [this, count] { return done_ >= count; });
}

void CopyThread::finish() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    handedMore_.notify_one();
    thread_.join();
}

void CopyThread::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        handedMore_.wait(lock, [this] { return done_ < handed_ || stopping_; });
        if (done_ == handed_) return;
        Range range = ranges_[done_ % WAITING];
        lock.unlock();
        sink_.take(range.data, range.size);
        lock.lock();
        ++done_;
        didMore_.notify_all();
    }
}

}  // namespace dxfprofile
