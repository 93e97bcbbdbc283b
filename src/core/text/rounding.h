// Rounding of floating-point values to integers the way every shown count and time code needs it.
#pragma once

#include <cstdint>

namespace velmora {

// X rounded to the nearest integer, exact halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
// Independent of the floating-point rounding mode. NaN gives 0 and values beyond the 64-bit range
// give the nearer bound, so no input is undefined.
int64_t RoundHalfEven(double X);

}  // namespace velmora
