#include "hexedit/key_filters.h"

#include <cmath>
#include <limits>

namespace hexedit {

int FilterHexKey(int key) {
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'F') || key == kBackspaceKey) return key;
    if (key >= 'a' && key <= 'f') return key - 'a' + 'A';
    return 0;
}

int FilterNumericKey(int key) { return (key >= '0' && key <= '9') || key == kBackspaceKey ? key : 0; }

std::int64_t NoFraction(double value) {
    using Limits = std::numeric_limits<std::int64_t>;
    if (std::isnan(value)) return 0;
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    if (value >= 9223372036854775808.0) return Limits::max();
    if (value <= -9223372036854775808.0) return Limits::min();
    return static_cast<std::int64_t>(std::trunc(value));
}

}  // namespace hexedit
