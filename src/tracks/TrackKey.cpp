#include "tracks/TrackKey.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace gm {

TrackDigest TrackKey::digest(const std::int16_t* pcm, std::size_t byteSize) {
  TrackDigest result{};
  const std::size_t samples = std::min(kHashedBytes, byteSize) / 2;
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) return result;
  std::uint8_t chunk[4096];
  for (std::size_t done = 0; done < samples;) {
    const std::size_t count = std::min(samples - done, sizeof chunk / 2);
    for (std::size_t i = 0; i < count; ++i) {
      const auto sample = static_cast<std::uint16_t>(pcm[done + i]);
      chunk[2 * i] = static_cast<std::uint8_t>(sample >> 8);
      chunk[2 * i + 1] = static_cast<std::uint8_t>(sample & 0xFF);
    }
    EVP_DigestUpdate(context.get(), chunk, count * 2);
    done += count;
  }
  unsigned int length = 0;
  EVP_DigestFinal_ex(context.get(), result.data(), &length);
  return result;
}

std::string TrackKey::key(const TrackDigest& digest) {
  char text[17];
  std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X%02X%02X", digest[2], digest[3], digest[6],
                digest[7], digest[10], digest[11], digest[14], digest[15]);
  return text;
}

std::string TrackKey::scriptPath(const std::string& key) { return "Keyledger/" + key + ".rx"; }

}  // namespace gm
