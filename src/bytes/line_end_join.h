// The copy of a file's bytes with every CR LF pair as one LF.
#pragma once

#include <cstddef>
#include <memory>

#include "bytes/line_source.h"

namespace dxfprofile {

// Hands every byte it takes on to `next`, every CR LF pair as LF. A CR that
// ends a range is handed on as it is. `wide` joins 16 bytes at a time with
// byte shuffles (AVX2).
class LineEndJoiner final : public ByteSink {
  public:
    LineEndJoiner(ByteSink& next, bool wide);
    void take(const char* data, std::size_t size) override;

  private:
    ByteSink& next_;
    bool wide_;
    std::unique_ptr<char[]> joined_;
};

}  // namespace dxfprofile
