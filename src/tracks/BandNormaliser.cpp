#include "tracks/BandNormaliser.h"

#include <cstring>

namespace gm {
namespace {

// Four floats as one value; the compiler maps it to the processor's vector registers (SSE on x86-64,
// NEON on ARM) or to four scalar operations where there are none.
using FourFloats = float __attribute__((vector_size(4 * sizeof(float))));

}  // namespace

void BandNormaliser::normalise(float* values, std::size_t count) {
  if (count < 3) return;
  for (std::size_t i = 1; i + 1 < count; ++i) values[i] = (values[i - 1] + values[i] + values[i + 1]) / 3.0f;
  float largest = 0.0f;
  for (std::size_t i = 1; i + 1 < count; ++i) {
    if (values[i] > largest) largest = values[i];
  }
  if (largest != 0.0f) divideVector(values, count, largest);
}

void BandNormaliser::divideVector(float* values, std::size_t count, float divisor) {
  const FourFloats divisors = {divisor, divisor, divisor, divisor};
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    FourFloats four;
    std::memcpy(&four, values + i, sizeof four);
    four = four / divisors;
    std::memcpy(values + i, &four, sizeof four);
  }
  divideScalar(values + i, count - i, divisor);
}

void BandNormaliser::divideScalar(float* values, std::size_t count, float divisor) {
  for (std::size_t i = 0; i < count; ++i) values[i] /= divisor;
}

}  // namespace gm
