#include "dxf/layer_name.h"

namespace dxfprofile {

std::string_view layerNameOf(std::string_view value) {
    // Names are short: a loop finds a NUL sooner than a call.
    for (std::size_t at = 0; at < value.size(); ++at) {
        if (value[at] == '\0') return value.substr(0, at);
    }
    return value;
}

}  // namespace dxfprofile
