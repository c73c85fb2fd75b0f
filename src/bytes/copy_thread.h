// The copy-through of a line source on a thread of its own: the source goes
// on reading and searching while the bytes it has passed are joined and
// written.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

#include "bytes/line_source.h"

namespace dxfprofile {

// Hands the ranges it is given to `sink` on a thread of its own, in order.
// A range's bytes must stay unchanged until the thread has handed it on
// (waitFor tells when); `sink` must be left alone until finish returns.
// Where no thread can be started, each range is handed on at once.
class CopyThread {
  public:
    explicit CopyThread(ByteSink& sink);
    ~CopyThread();
    CopyThread(const CopyThread&) = delete;
    CopyThread& operator=(const CopyThread&) = delete;

    void hand(const char* data, std::size_t size);
    // The number of ranges handed so far.
    std::size_t handed() const { return handed_; }
    // Waits until the first `count` ranges are handed on.
    void waitFor(std::size_t count);
    // Waits until every range is handed on, and stops the thread.
    void finish();

  private:
    struct Range {
        const char* data = nullptr;
        std::size_t size = 0;
    };
    static constexpr std::size_t WAITING = 8;  // ranges waiting at most

    void run();

    ByteSink& sink_;
    Range ranges_[WAITING];
    std::size_t handed_ = 0;  // ranges handed to the thread
    std::size_t done_ = 0;    // ranges it has handed on
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable handedMore_;
    std::condition_variable didMore_;
    std::thread thread_;
};

}  // namespace dxfprofile
