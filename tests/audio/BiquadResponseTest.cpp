// The equaliser display's response curves: the section design shared with the decks, evaluated in
// double precision.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "audio/BiquadResponse.h"

namespace gm {
namespace {

// With 0 dB, A is exactly 1, so the peak's b0 and a0 are the same number (1 + α), as are b1 and
// a1, b2 and a2. After dividing by a0 the numerator and the denominator of |H|² are the same
// expression on the same values, so the answer is exactly 1, not merely close to it.
TEST(BiquadResponse, FlatPeakPassesEveryFrequencyExactly) {
  for (double q : {0.33, 2.0, 15.0, 80.0}) {
    for (double centreHz : {200.0, 800.0, 3999.0}) {
      const BiquadResponse peak(static_cast<int>(BiquadType::MidPeak), centreHz, 0.0, q);
      for (double hz : {20.0, 97.3, 800.0, 1234.5, 19980.0}) {
        EXPECT_EQ(peak.magnitudeAt(hz), 1.0) << "Q " << q << ", centre " << centreHz << " Hz, at " << hz << " Hz";
      }
    }
  }
}

TEST(BiquadResponse, OnlyTheSixKnownShapesRespond) {
  // The notch (5), the last shape, still passes a tone far from its centre; 6 and −1 answer 0.
  EXPECT_GT(BiquadResponse(5, 1500.0, 0.0, 0.1).magnitudeAt(100.0), 0.5);
  EXPECT_GT(BiquadResponse(0, 800.0, 12.0, 2.0).magnitudeAt(800.0), 1.0);
  for (int shape : {6, 7, -1}) {
    const BiquadResponse unknown(shape, 800.0, 12.0, 2.0);
    for (double hz : {20.0, 800.0, 1234.5, 19980.0}) {
      EXPECT_EQ(unknown.magnitudeAt(hz), 0.0) << "shape " << shape << " at " << hz << " Hz";
    }
  }
}

// |H(e^jw)| for the textbook shelves, designed and evaluated here independently of the code: the
// coefficients straight from the formulas, H as a ratio of complex polynomials in e^-jw.
double shelfMagnitude(bool high, double cornerHz, double gainDb, double atHz) {
  const double A = std::pow(10.0, gainDb / 40.0);
  const double w0 = 2.0 * std::numbers::pi * cornerHz / 44100.0;
  const double cs = std::cos(w0);
  const double beta = std::sqrt(2.0 * A) * std::sin(w0);
  const double s = high ? 1.0 : -1.0;  // the high shelf flips the sign of every cos term
  const double b0 = A * ((A + 1) + s * (A - 1) * cs + beta);
  const double b1 = -2.0 * s * A * ((A - 1) + s * (A + 1) * cs);
  const double b2 = A * ((A + 1) + s * (A - 1) * cs - beta);
  const double a0 = (A + 1) - s * (A - 1) * cs + beta;
  const double a1 = 2.0 * s * ((A - 1) - s * (A + 1) * cs);
  const double a2 = (A + 1) - s * (A - 1) * cs - beta;
  const std::complex<double> z = std::polar(1.0, -2.0 * std::numbers::pi * atHz / 44100.0);
  return std::abs((b0 + b1 * z + b2 * z * z) / (a0 + a1 * z + a2 * z * z));
}

TEST(BiquadResponse, ShelvesMatchTheirTransferFunction) {
  struct Case {
    int shape;
    bool high;
    double cornerHz, gainDb, atHz;
  };
  for (const Case& c : {Case{2, true, 8000.0, 12.0, 1234.5}, Case{2, true, 1000.0, -7.0, 1234.5},
                        Case{1, false, 80.0, 12.0, 1234.5}, Case{1, false, 333.0, -17.0, 97.3}}) {
    const double expected = shelfMagnitude(c.high, c.cornerHz, c.gainDb, c.atHz);
    // Q must not matter to a shelf. The two evaluations differ by rounding only, which the cos w
    // form of |H|² magnifies well below the corner (it subtracts nearly equal terms): up to about
    // 1e-10 of the value here, while a wrong sign or factor in any coefficient is off by percents.
    for (double q : {0.33, 50.0}) {
      EXPECT_NEAR(BiquadResponse(c.shape, c.cornerHz, c.gainDb, q).magnitudeAt(c.atHz), expected, expected * 1e-9)
          << "shape " << c.shape << " corner " << c.cornerHz << " Hz, " << c.gainDb << " dB";
    }
  }
}

}  // namespace
}  // namespace gm
