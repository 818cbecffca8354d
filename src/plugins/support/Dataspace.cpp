#include "plugins/support/Dataspace.h"

#include "plugins/support/IffReader.h"

namespace gm::plugin {
namespace {

constexpr std::uint32_t kValueBytes = 4;

void appendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(value >> shift));
}

}  // namespace

std::optional<std::int32_t> Dataspace::find(std::uint32_t id) const {
  const std::lock_guard lock(mutex_);
  const auto it = values_.find(id);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::int32_t Dataspace::valueOr(std::uint32_t id, std::int32_t fallback) const {
  return find(id).value_or(fallback);
}

void Dataspace::set(std::uint32_t id, std::int32_t value) {
  const std::lock_guard lock(mutex_);
  values_[id] = value;
}

bool Dataspace::empty() const {
  const std::lock_guard lock(mutex_);
  return values_.empty();
}

std::vector<std::uint8_t> Dataspace::serialise() const {
  const std::lock_guard lock(mutex_);
  std::vector<std::uint8_t> body;
  for (const auto& [id, value] : values_) {
    appendU32(body, id);
    appendU32(body, kValueBytes);
    appendU32(body, std::uint32_t(value));
  }
  return body;
}

void Dataspace::deserialise(std::span<const std::uint8_t> body) {
  std::map<std::uint32_t, std::int32_t> loaded;
  std::size_t offset = 0;
  while (body.size() - offset >= 8) {
    const std::uint32_t id = IffReader::readU32(body.data() + offset);
    const std::uint32_t length = IffReader::readU32(body.data() + offset + 4);
    const std::size_t dataOffset = offset + 8;
    if (length > body.size() - dataOffset) break;
    if (length == kValueBytes) loaded[id] = std::int32_t(IffReader::readU32(body.data() + dataOffset));
    offset = dataOffset + length + (length % 2);
    if (offset > body.size()) break;
  }
  const std::lock_guard lock(mutex_);
  values_ = std::move(loaded);
}

}  // namespace gm::plugin
