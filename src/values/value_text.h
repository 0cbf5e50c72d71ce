// Number-to-text helpers shared by the display rules. They never depend on
// the process locale: the desktop program runs under the diver's locale,
// where printf would write "18,3" for 18.3.
#pragma once

#include <string>

namespace orv {

// printf("%.<decimals>f"): fixed notation, rounded to nearest.
std::string FixedText(double value, int decimals);
// printf("%.<width>d"): at least `width` digits, zero padded, sign in front.
std::string PaddedInt(long long value, int width);

}  // namespace orv
