// Band analysis: the filters' arithmetic against outputs worked out here step by step, the
// normalisation, the colour image's pixels, and whole tracks whose spectra are known.

#include "tracks/BandAnalysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

#include "AudioTestFiles.h"
#include "support/TestSupport.h"
#include "tracks/BandDisplay.h"
#include "tracks/BandFilter.h"
#include "tracks/BandNormaliser.h"
#include "tracks/ColourImage.h"
#include "tracks/Deck.h"

namespace gm {
namespace {

constexpr std::int16_t kImpulse = 20000;

// A filter's response to an impulse of 20000 as the rules give it, worked out here: the input
// x0 = 20000 / scale (double division, kept in single precision); the numerator's taps for an
// impulse, each ±x0 or ±(3 × x0 in single precision); then per output the feedback terms, oldest
// first, added to the taps one at a time in double precision, the sum kept in single precision.
std::vector<float> expectedResponse(const std::vector<float>& taps, const std::vector<double>& oldestFirst) {
  std::vector<float> y;
  for (float t : taps) {
    double sum = t;
    for (std::size_t k = 0; k < oldestFirst.size(); ++k) {
      const std::size_t back = oldestFirst.size() - k;
      sum += oldestFirst[k] * double(y.size() >= back ? y[y.size() - back] : 0.0f);
    }
    y.push_back(float(sum));
  }
  return y;
}

std::vector<float> impulseResponse(Band band) {
  BandFilter filter(band);
  std::vector<float> outputs;
  for (int n = 0; n < 10; ++n) outputs.push_back(filter.step(n == 0 ? kImpulse : 0));
  return outputs;
}

TEST(BandAnalysisTest, FiltersFollowTheirDifferenceEquationsToTheBit) {
  const float hi = float(kImpulse / 1.782588295), mid = float(kImpulse / 80.66546763), low = float(kImpulse / 355683.4965);
  // x[n] - 3x[n-1] + 3x[n-2] - x[n-3]; x[n] - 3x[n-2] + 3x[n-4] - x[n-6]; x[n] + 3x[n-1] + 3x[n-2] + x[n-3].
  EXPECT_EQ(impulseResponse(Band::High), expectedResponse({hi, -(3.0f * hi), 3.0f * hi, -hi, 0, 0, 0, 0, 0, 0},
                                                          {0.3145020361, -1.3003269546, 1.8730272484}));
  EXPECT_EQ(impulseResponse(Band::Mid),
            expectedResponse({mid, 0, -(3.0f * mid), 0, 3.0f * mid, 0, -mid, 0, 0, 0},
                             {-0.3338030572, 2.3427319511, -6.9190671196, 11.032704813, -10.009948782, 4.8873795394}));
  EXPECT_EQ(impulseResponse(Band::Low), expectedResponse({low, 3.0f * low, 3.0f * low, low, 0, 0, 0, 0, 0, 0},
                                                         {0.9446013698, -2.8876354454, 2.9430115838}));

  // Block energies, all bands in one pass: per whole block the squares of the outputs in single
  // precision, summed in double; the frames after the last whole block count nowhere.
  constexpr int kBlocks = 3;
  std::vector<std::int16_t> pcm(2 * (kBlocks * SampleData::kBlockFrames + 100));
  for (std::size_t i = 0; i < pcm.size(); ++i) pcm[i] = std::int16_t((i * 7919) % 20011 - 10005);
  std::vector<std::vector<float>> energies(kBandCount, std::vector<float>(kBlocks + 1, -1.0f));
  ASSERT_TRUE(BandFilter::blockEnergies(pcm.data(), kBlocks, {energies[0].data(), energies[1].data(), energies[2].data()}, {}));
  for (Band band : kBands) {
    BandFilter filter(band);
    std::vector<float> expected;
    for (int block = 0; block < kBlocks; ++block) {
      double sum = 0.0;
      for (int f = 0; f < SampleData::kBlockFrames; ++f) {
        const float y = filter.step(pcm[2 * std::size_t(block * SampleData::kBlockFrames + f)]);
        const float square = y * y;
        sum += square;
      }
      expected.push_back(float(sum));
    }
    expected.push_back(-1.0f);  // untouched
    EXPECT_EQ(energies[std::size_t(band)], expected) << bandName(band);
  }
  // A band left out is not written.
  std::vector<float> midOnly(kBlocks, -1.0f);
  ASSERT_TRUE(BandFilter::blockEnergies(pcm.data(), kBlocks, {nullptr, midOnly.data(), nullptr}, {}));
  EXPECT_EQ(midOnly, std::vector<float>(energies[1].begin(), energies[1].begin() + kBlocks));
}

TEST(BandAnalysisTest, NormalisingSmoothsLeftToRightAndDividesByTheLargestInnerValue) {
  float values[] = {0.7f, 2.3f, 5.9f, 1.1f, 9.4f};
  // Each inner value is averaged with its already smoothed left neighbour.
  const float b1 = (0.7f + 2.3f + 5.9f) / 3.0f;
  const float b2 = (b1 + 5.9f + 1.1f) / 3.0f;
  const float b3 = (b2 + 1.1f + 9.4f) / 3.0f;
  const float largest = std::max({b1, b2, b3});  // 9.4, the last value, does not count
  ASSERT_LT(largest, 9.4f);
  BandNormaliser::normalise(values, 5);
  const float expected[] = {0.7f / largest, b1 / largest, b2 / largest, b3 / largest, 9.4f / largest};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(values[i], expected[i]) << i;
  EXPECT_GT(values[4], 1.0f);

  // Two values have no inner value, and all zeros no largest one: both stay as they are.
  float pair[] = {0.3f, 7.1f};
  BandNormaliser::normalise(pair, 2);
  EXPECT_EQ(pair[0], 0.3f);
  EXPECT_EQ(pair[1], 7.1f);
  float silent[] = {0.0f, 0.0f, 0.0f, 0.0f};
  BandNormaliser::normalise(silent, 4);
  for (float v : silent) EXPECT_EQ(v, 0.0f);
}

TEST(BandAnalysisTest, VectorDivisionGivesExactlyTheScalarQuotients) {
  // Lengths around the vector width, so that every tail length is seen; divisors and values that
  // are not powers of two, so that a reciprocal product instead of a quotient would show.
  int productsDiffering = 0;
  for (std::size_t count = 0; count <= 13; ++count) {
    for (float divisor : {3.7f, 0.013f, 1234.567f}) {
      std::vector<float> vector(count), scalar(count), plain(count);
      for (std::size_t i = 0; i < count; ++i) vector[i] = scalar[i] = plain[i] = 0.37f * float(i) + 0.011f;
      BandNormaliser::divideVector(vector.data(), count, divisor);
      BandNormaliser::divideScalar(scalar.data(), count, divisor);
      for (std::size_t i = 0; i < count; ++i) {
        EXPECT_EQ(vector[i], scalar[i]) << count << " " << i;
        EXPECT_EQ(scalar[i], plain[i] / divisor);
        productsDiffering += vector[i] != plain[i] * (1.0f / divisor);
      }
    }
  }
  EXPECT_GT(productsDiffering, 20);
}

// A track's worth of columns for `blocks` blocks, each with the overview word `word`.
struct ImageRig {
  // The blocks' columns start zeroed, as the analysis allocates them; the columns after them hold
  // leftovers, which the build must clear.
  explicit ImageRig(std::size_t blocks, std::uint32_t word)
      : overview(blocks, word), image(ColourImage::pixelCount(std::int32_t(blocks)), 0xDEADBEEF) {
    std::fill_n(image.begin(), blocks * ColourImage::kRows, 0u);
  }
  // The rows of a column that hold `pixel`, first and last; {-1, -1} for an empty column. Every other
  // row must be 0.
  std::pair<int, int> rowsOf(std::size_t column, std::uint32_t pixel) const {
    int first = -1, last = -1;
    for (int row = 0; row < ColourImage::kRows; ++row) {
      const std::uint32_t p = image[column * ColourImage::kRows + std::size_t(row)];
      if (p == 0) continue;
      EXPECT_EQ(p, pixel) << "column " << column << " row " << row;
      if (first < 0) first = row;
      last = row;
    }
    return {first, last};
  }
  std::vector<std::uint32_t> overview;
  std::vector<std::uint32_t> image;
};

constexpr std::uint32_t word(std::int16_t maximum, std::int16_t minimum) {
  return std::uint32_t(std::uint16_t(maximum)) << 16 | std::uint16_t(minimum);
}

TEST(BandAnalysisTest, ColourImagePixelsFollowTheBalanceAndTheHeight) {
  // Peak 32767 makes the gain scale exactly 1: ±16384 × 64 >> 16 = ±16, rows 16 .. 48, a span of 32
  // rows that halves the saturation.
  ImageRig rig(6, word(16384, -16384));
  const std::vector<float> high = {0.8f, 0.0f, 0.0f, 0.5f, 0.0f, 0.3f};
  const std::vector<float> mid = {0.0f, 0.8f, 0.0f, 0.5f, 0.0f, 0.9f};
  const std::vector<float> low = {0.0f, 0.0f, 0.8f, 0.5f, 0.0f, 0.45f};
  ColourImage::build(rig.overview, 32767, {high, mid, low}, rig.image);
  // One band alone: its hue at half saturation (B << 24 | G << 16 | R << 8 | 0xFF).
  EXPECT_EQ(rig.rowsOf(0, 0x7F7FFFFFu), std::make_pair(16, 48));  // high: red
  EXPECT_EQ(rig.rowsOf(1, 0x7FFF7FFFu), std::make_pair(16, 48));  // mid: green
  EXPECT_EQ(rig.rowsOf(2, 0xFF7F7FFFu), std::make_pair(16, 48));  // low: blue
  EXPECT_EQ(rig.rowsOf(3, 0xFFFFFFFFu), std::make_pair(16, 48));  // balanced: grey at full value
  EXPECT_EQ(rig.rowsOf(4, 0), std::make_pair(-1, -1));            // no energy: nothing drawn
  // A mix, worked through in single precision: green is the largest, so the hue lies between green
  // (120°) and cyan; the saturation is halved and the colour rebuilt with the sector formula.
  const float inverse = 1.0f / 0.9f;
  const float r = float(std::uint32_t(0.3f * 255.0f * inverse)) / 255.0f;
  const float g = float(std::uint32_t(0.9f * 255.0f * inverse)) / 255.0f;
  const float b = float(std::uint32_t(0.45f * 255.0f * inverse)) / 255.0f;
  const float delta = g - r;
  const float hue = 60.0f * (2.0f + (b - r) / delta);
  const float saturation = delta / g * 32.0f * (1.0f / 64.0f);
  const float sector = std::floor(hue / 60.0f), f = hue / 60.0f - sector;
  ASSERT_EQ(sector, 2.0f);
  const float p = g * (1.0f - saturation), t = g * (1.0f - saturation * (1.0f - f));
  const std::uint32_t mixed = std::uint32_t(t * 255.0f) << 24 | std::uint32_t(g * 255.0f) << 16 | std::uint32_t(p * 255.0f) << 8 | 0xFFu;
  EXPECT_EQ(rig.rowsOf(5, mixed), std::make_pair(16, 48));
  // The 2048 columns after the track are cleared, whatever the memory held.
  for (std::size_t c = 6; c < 6 + ColourImage::kPadColumns; c += 511) EXPECT_EQ(rig.rowsOf(c, 0), std::make_pair(-1, -1));
}

TEST(BandAnalysisTest, ColourColumnsStayInsideTheirColumnAndATrackWithoutPeakHasNone) {
  // A block that reaches a negative peak of -32768 ends 32 rows below the centre, on row 64: one past
  // the column, which would be the next column's top row. It stops at row 63.
  ImageRig rig(2, word(0, -32768));
  const std::vector<float> low = {0.6f, 0.6f};
  ColourImage::build(rig.overview, 32768, {std::span<const float>{}, std::span<const float>{}, low}, rig.image);
  EXPECT_EQ(ColourImage::edgeHeight(-32768, 32767.0f / 32768.0f), -32);
  EXPECT_EQ(rig.rowsOf(0, 0xFF7F7FFFu), std::make_pair(32, 63));
  EXPECT_EQ(rig.rowsOf(1, 0xFF7F7FFFu), std::make_pair(32, 63));
  EXPECT_EQ(rig.rowsOf(2, 0), std::make_pair(-1, -1));  // the first cleared column, right after the last block

  // Peak 0 (a silent left channel) would scale by infinity: there is no height, so no columns, even
  // with energies from elsewhere (a cache file of another track with the same key).
  ImageRig silent(3, word(0, 0));
  const std::vector<float> ones = {1.0f, 1.0f, 1.0f};
  ColourImage::build(silent.overview, 0, {ones, ones, ones}, silent.image);
  for (std::size_t c = 0; c < 3; ++c) EXPECT_EQ(silent.rowsOf(c, 0), std::make_pair(-1, -1));
}

// Tracks with known spectra, decoded by the real loader and analysed as a deck does.
using BandSignalTest = testing::AudioFileTest;

TEST_F(BandSignalTest, LowMidAndHighStretchesTakeBlueGreenAndRed) {
  // Two seconds each of 60 Hz, 1 kHz and 16 kHz at one level: each band's loudest stretch is its
  // own, where the other two bands hear almost nothing.
  const std::string path = ffmpegOutput(
      "three-bands.wav",
      "-f lavfi -i sine=frequency=60:sample_rate=44100:duration=2 -f lavfi -i sine=frequency=1000:sample_rate=44100:duration=2 "
      "-f lavfi -i sine=frequency=16000:sample_rate=44100:duration=2 -filter_complex concat=n=3:v=0:a=1,aformat=channel_layouts=stereo "
      "-c:a pcm_s16le");
  ASSERT_FALSE(path.empty());
  std::shared_ptr<SampleData> sample = testing::decodedTrack(path);
  ASSERT_TRUE(sample);
  std::vector<std::pair<Band, bool>> done;
  BandAnalysis::Hooks hooks;
  hooks.bandDone = [&done](Band band, bool ready) { done.emplace_back(band, ready); };
  ASSERT_TRUE(BandAnalysis::run(*sample, {}, hooks));
  const std::vector<std::pair<Band, bool>> inOrder = {{Band::High, true}, {Band::Mid, true}, {Band::Low, true}};
  EXPECT_EQ(done, inOrder);
  ASSERT_TRUE(sample->bands.colourReady);

  const float gainScale = 32767.0f / float(sample->peak);
  // Blocks well inside each stretch: the stretch's band alone shows (the other two, scaled by it,
  // stay below 1 of 255), so the hue is pure and the block's height alone sets the saturation.
  const std::int32_t blocksPerStretch = 2 * 44100 / SampleData::kBlockFrames;
  struct Stretch {
    Band band;
    int shift;  // where the band's colour lies in the pixel: 24 blue, 16 green, 8 red
  };
  int index = 0;
  for (const Stretch stretch : {Stretch{Band::Low, 24}, Stretch{Band::Mid, 16}, Stretch{Band::High, 8}}) {
    const std::int32_t first = index * blocksPerStretch + 20, end = (index + 1) * blocksPerStretch - 20;
    ++index;
    for (std::int32_t block = first; block < end; block += 37) {
      const auto i = std::size_t(block);
      const float top = sample->bands.of(stretch.band)[i];
      for (Band other : kBands) {
        if (other != stretch.band) {
          ASSERT_EQ(std::uint32_t(sample->bands.of(other)[i] * 255.0f * (1.0f / top)), 0u) << bandName(other) << " " << block;
        }
      }
      const std::uint32_t overviewWord = sample->overview[i];
      const std::int32_t highY = std::int32_t(float(std::int16_t(overviewWord >> 16) * 64) * gainScale) >> 16;
      const std::int32_t lowY = std::int32_t(float(std::int16_t(overviewWord & 0xFFFF) * 64) * gainScale) >> 16;
      const float value = float(std::uint32_t(top * 255.0f * (1.0f / top))) / 255.0f;
      const float faded = value * (1.0f - float(highY - lowY) * (1.0f / 64.0f));
      const std::uint32_t others = std::uint32_t(faded * 255.0f);
      const std::uint32_t pixel = 0xFFu | std::uint32_t(value * 255.0f) << stretch.shift |
                                  ((others << 8 | others << 16 | others << 24) & ~(0xFFu << stretch.shift));
      const std::uint32_t* column = sample->bands.colourImage.data() + i * ColourImage::kRows;
      const int topRow = 32 - highY, bottomRow = std::min(63, 32 - lowY);
      for (int row = 0; row < ColourImage::kRows; ++row) {
        ASSERT_EQ(column[row], row >= topRow && row <= bottomRow ? pixel : 0u) << "block " << block << " row " << row;
      }
    }
  }
}

TEST(BandAnalysisTest, ASilentTrackHasReadyZeroBandsAndAnEmptyImage) {
  std::shared_ptr<SampleData> silent = SampleData::allocate(100 * SampleData::kBlockFrames + 7);
  ASSERT_TRUE(silent && BandAnalysis::run(*silent, {}, {}));
  for (Band band : kBands) {
    EXPECT_TRUE(silent->bands.isReady(band));
    EXPECT_EQ(silent->bands.of(band), std::vector<float>(100, 0.0f));
  }
  EXPECT_TRUE(silent->bands.colourReady);
  EXPECT_EQ(silent->bands.colourImage, std::vector<std::uint32_t>(ColourImage::pixelCount(100), 0u));
}

TEST_F(BandSignalTest, BothDecksAnalyseAtOnceWithTheirOwnFilters) {
  const std::string path = generated("both.wav", "--bpm 128 --seconds 6");
  ASSERT_FALSE(path.empty());
  std::shared_ptr<SampleData> alone = testing::decodedTrack(path);
  ASSERT_TRUE(alone && BandAnalysis::run(*alone, {}, {}));
  Deck deckA{0}, deckB{1};
  ASSERT_TRUE(deckA.loadEntry(TrackEntry::fromPath(QString::fromStdString(path))));
  ASSERT_TRUE(deckB.loadEntry(TrackEntry::fromPath(QString::fromStdString(path))));
  EXPECT_FALSE(deckA.bandDisplay().ready(Band::High));
  ASSERT_TRUE(testing::waitFor([&] { return !deckA.busy() && !deckB.busy(); }, 30000));
  for (Deck* deck : {&deckA, &deckB}) {
    EXPECT_TRUE(deck->bandDisplay().colourReady());
    EXPECT_TRUE(deck->sample()->analysisDone);
    for (Band band : kBands) {
      EXPECT_TRUE(deck->bandDisplay().ready(band));
      EXPECT_EQ(deck->sample()->bands.of(band), alone->bands.of(band)) << bandName(band);
    }
    EXPECT_EQ(deck->sample()->bands.colourImage, alone->bands.colourImage);
  }
}

TEST(BandDisplayTest, NextAndPreviousStepThroughTheBandsAndBack) {
  BandDisplay display;
  std::vector<std::optional<Band>> shown;
  for (int code : {5, 5, 5, 5, 6, 6, 2, 9, 4}) {
    display.setCode(code);
    shown.push_back(display.shownBand());
  }
  const std::vector<std::optional<Band>> expected = {Band::High, Band::Mid, Band::Low, std::nullopt, Band::Low,
                                                     Band::Mid,  Band::Mid, Band::Mid, std::nullopt};
  EXPECT_EQ(shown, expected);
}

}  // namespace
}  // namespace gm
