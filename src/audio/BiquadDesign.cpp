#include "audio/BiquadDesign.h"

#include <cmath>
#include <numbers>

#include "audio/SampleBlock.h"

namespace gm {

namespace {

// The shared intermediate values of every type; all in double so that each coefficient is the
// correctly rounded value of its formula, whatever the type.
struct DesignTerms {
  double A;      // amplitude, 10^(gainDb / 40)
  double cs;     // cos w0
  double sn;     // sin w0
  double alpha;  // sn / (2Q)
  double beta;   // sqrt(2A) × sn, the shelves' slope term
};

DesignTerms designTerms(double frequencyHz, double gainDb, double q) {
  const double w0 = 2.0 * std::numbers::pi * frequencyHz / kSampleRate;
  DesignTerms t{};
  t.A = std::pow(10.0, gainDb / 40.0);
  t.cs = std::cos(w0);
  t.sn = std::sin(w0);
  t.alpha = t.sn / (2.0 * q);
  t.beta = std::sqrt(2.0 * t.A) * t.sn;
  return t;
}

BiquadCoefficients lowShelf(const DesignTerms& t) {
  const double A = t.A, cs = t.cs, beta = t.beta;
  return {A * ((A + 1) - (A - 1) * cs + beta), 2 * A * ((A - 1) - (A + 1) * cs),
          A * ((A + 1) - (A - 1) * cs - beta), (A + 1) + (A - 1) * cs + beta,
          -2 * ((A - 1) + (A + 1) * cs),       (A + 1) + (A - 1) * cs - beta};
}

BiquadCoefficients highShelf(const DesignTerms& t) {
  const double A = t.A, cs = t.cs, beta = t.beta;
  return {A * ((A + 1) + (A - 1) * cs + beta), -2 * A * ((A - 1) + (A + 1) * cs),
          A * ((A + 1) + (A - 1) * cs - beta), (A + 1) - (A - 1) * cs + beta,
          2 * ((A - 1) - (A + 1) * cs),        (A + 1) - (A - 1) * cs - beta};
}

// The gain-free types; `type` is one of MidPeak, LowKill, HighKill, MidKill.
BiquadCoefficients peakOrKill(BiquadType type, const DesignTerms& t) {
  const double cs = t.cs, alpha = t.alpha;
  switch (type) {
    case BiquadType::MidPeak:
      return {1 + alpha * t.A, -2 * cs, 1 - alpha * t.A, 1 + alpha / t.A, -2 * cs, 1 - alpha / t.A};
    case BiquadType::LowKill:
      return {(1 + cs) / 2, -(1 + cs), (1 + cs) / 2, 1 + alpha, -2 * cs, 1 - alpha};
    case BiquadType::HighKill:
      return {(1 - cs) / 2, 1 - cs, (1 - cs) / 2, 1 + alpha, -2 * cs, 1 - alpha};
    default:  // MidKill
      return {1, -2 * cs, 1, 1 + alpha, -2 * cs, 1 - alpha};
  }
}

}  // namespace

std::optional<BiquadCoefficients> designBiquad(int type, double frequencyHz, double gainDb, double q) {
  if (type < 0 || type > static_cast<int>(BiquadType::MidKill)) {
    return std::nullopt;
  }
  const DesignTerms terms = designTerms(frequencyHz, gainDb, q);
  const auto kind = static_cast<BiquadType>(type);
  return kind == BiquadType::LowShelf    ? lowShelf(terms)
         : kind == BiquadType::HighShelf ? highShelf(terms)
                                         : peakOrKill(kind, terms);
}

}  // namespace gm
