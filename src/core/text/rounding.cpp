// Halves-to-even rounding with defined results for every double.
#include "text/rounding.h"

#include <cmath>
#include <limits>

namespace velmora {

int64_t RoundHalfEven(double X) {
    if (std::isnan(X)) {
        return 0;
    }
    // 2^63 is exactly representable; anything at or beyond it cannot be converted without overflow.
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (X >= kTwoTo63) {
        return std::numeric_limits<int64_t>::max();
    }
    if (X < -kTwoTo63) {
        return std::numeric_limits<int64_t>::min();
    }
    double whole = std::floor(X);
    // Exact: X and floor(X) are close enough that the difference is representable.
    const double fraction = X - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) {
        whole += 1.0;
    }
    return static_cast<int64_t>(whole);
}

}  // namespace velmora
