#pragma once
// The shapes of an equaliser section, numbered as the equaliser and its display know them.

namespace gm {

enum class BiquadType {
  MidPeak = 0,
  LowShelf = 1,
  HighShelf = 2,
  LowKill = 3,   // high-pass
  HighKill = 4,  // low-pass
  MidKill = 5,   // notch
};

}  // namespace gm
