#pragma once
// Rounds a range outward to multiples of a step r·10^e (r a small integer),
// aiming at about k divisions.

namespace kurvex {

// lo, hi and k are updated in place. False (nothing changed) when the range is
// empty, reversed or not finite, or k < 2.
bool NiceRange(double& lo, double& hi, int& k);

}  // namespace kurvex
