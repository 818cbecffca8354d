#include "plugins/support/PrefsFile.h"

#include "plugins/support/Dataspace.h"
#include "plugins/support/FourCc.h"
#include "plugins/support/IffReader.h"
#include "plugins/support/IffWriter.h"

namespace gm::plugin {
namespace {

constexpr std::uint32_t kForm = fourCc("FORM");
constexpr std::uint32_t kPref = fourCc("PREF");
constexpr std::uint32_t kPrefsHeader = fourCc("PRHD");
constexpr std::uint8_t kHeaderVersion = 1;
constexpr std::uint8_t kHeaderType = 0;
constexpr std::uint32_t kHeaderFlags = 0;

}  // namespace

bool PrefsFile::parse(std::span<const std::uint8_t> image, std::uint32_t chunkId, Dataspace& values) {
  const auto body = IffReader::findChunk(image, kPref, chunkId);
  if (!body) return false;
  values.deserialise(*body);
  return true;
}

std::vector<std::uint8_t> PrefsFile::image(std::uint32_t chunkId, const Dataspace& values) {
  IffWriter writer;
  writer.pushGroup(kForm, kPref);
  writer.pushChunk(kPrefsHeader);
  writer.writeU8(kHeaderVersion);
  writer.writeU8(kHeaderType);
  writer.writeU32(kHeaderFlags);
  writer.pop();
  writer.pushChunk(chunkId);
  const std::vector<std::uint8_t> body = values.serialise();
  writer.writeBytes(body.data(), body.size());
  writer.pop();
  writer.pop();
  return writer.bytes();
}

}  // namespace gm::plugin
