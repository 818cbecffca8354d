#pragma once
// Normalising a band's block energies for display and caching: a three-point smoothing pass, then
// every value divided by the largest smoothed one, so the loudest stretch of the band reads 1.
// Single precision throughout. The division has a vector path; it must give exactly what the
// scalar division gives (a quotient is correctly rounded either way, never a reciprocal product).

#include <cstddef>

namespace gm {

class BandNormaliser {
 public:
  // [any-thread] Smooths `values` in place from left to right, each inner value becoming the mean
  // of itself, its already smoothed left neighbour and its right neighbour (the first and last stay
  // as they are); then divides all `count` values by the largest smoothed inner value. With fewer
  // than three values, or when that largest value is 0, the values are left as smoothed.
  static void normalise(float* values, std::size_t count);

  // [any-thread] values[i] /= divisor for every i: four at a time where the processor can, one at a
  // time for the rest.
  static void divideVector(float* values, std::size_t count, float divisor);
  // [any-thread] The same, one value at a time.
  static void divideScalar(float* values, std::size_t count, float divisor);
};

}  // namespace gm
