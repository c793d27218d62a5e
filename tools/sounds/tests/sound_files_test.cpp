// The committed cat voices, read as the game's sound player reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Wave {
  int channels = 0;
  int sample_rate = 0;
  int bits = 0;
  std::vector<std::int16_t> samples;
};

std::uint32_t little_endian(const std::vector<std::uint8_t>& bytes, std::size_t at, int size) {
  if (at + size > bytes.size()) throw std::runtime_error("wave file cut short");
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[at + i];
  return value;
}

// Reads a RIFF WAVE file of 16-bit PCM, walking its chunks.
Wave read_wave(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  if (bytes.size() < 12 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF" ||
      std::string(bytes.begin() + 8, bytes.begin() + 12) != "WAVE") {
    throw std::runtime_error(path + " is not a RIFF WAVE file");
  }
  Wave wave;
  for (std::size_t at = 12; at + 8 <= bytes.size();) {
    const std::string id(bytes.begin() + at, bytes.begin() + at + 4);
    const std::uint32_t size = little_endian(bytes, at + 4, 4);
    const std::size_t body = at + 8;
    if (id == "fmt ") {
      if (little_endian(bytes, body, 2) != 1) throw std::runtime_error("not plain PCM");
      wave.channels = static_cast<int>(little_endian(bytes, body + 2, 2));
      wave.sample_rate = static_cast<int>(little_endian(bytes, body + 4, 4));
      wave.bits = static_cast<int>(little_endian(bytes, body + 14, 2));
    } else if (id == "data") {
      for (std::size_t i = body; i + 1 < body + size; i += 2) {
        wave.samples.push_back(static_cast<std::int16_t>(little_endian(bytes, i, 2)));
      }
    }
    at = body + size + size % 2;
  }
  return wave;
}

double decibels(double amplitude) { return 20 * std::log10(amplitude / 32768.0); }

class SoundFileTest : public testing::TestWithParam<const char*> {
 protected:
  Wave wave = read_wave(std::string(SOUND_ASSETS_DIR) + "/" + GetParam());
};

TEST_P(SoundFileTest, IsCdRateSixteenBitMono) {
  EXPECT_EQ(wave.sample_rate, 44100);
  EXPECT_EQ(wave.bits, 16);
  EXPECT_EQ(wave.channels, 1);
}

TEST_P(SoundFileTest, LastsASecondAtMost) {
  const double seconds = static_cast<double>(wave.samples.size()) / wave.sample_rate;
  EXPECT_GT(seconds, 0.2);
  EXPECT_LE(seconds, 1.0);
}

TEST_P(SoundFileTest, SitsAtTheVoicesLevelWithRoomAtThePeaks) {
  // Both voices are set to the same loudness, a few decibels above the
  // round's music; their plain RMS level follows it closely.
  double sum = 0;
  int peak = 0;
  for (const std::int16_t sample : wave.samples) {
    sum += double(sample) * sample;
    peak = std::max(peak, std::abs(int{sample}));
  }
  EXPECT_NEAR(decibels(std::sqrt(sum / double(wave.samples.size()))), -22.5, 1.0);
  EXPECT_LT(decibels(peak), -3.0);
}

TEST_P(SoundFileTest, StartsAtOnceAndEndsWithoutAClick) {
  // Trimmed: the voice is audible within the first 20 ms...
  const auto first_20_ms = wave.samples.begin() + wave.sample_rate / 50;
  const int early_peak = std::abs(int{*std::max_element(
      wave.samples.begin(), first_20_ms, [](auto a, auto b) { return std::abs(a) < std::abs(b); })});
  EXPECT_GT(decibels(early_peak), -40.0);
  // ...and faded out to silence at the very end.
  EXPECT_LT(std::abs(int{wave.samples.back()}), 64);
}

INSTANTIATE_TEST_SUITE_P(Assets, SoundFileTest, testing::Values("nya.wav", "damedanya.wav"),
                         [](const auto& info) {
                           const std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
