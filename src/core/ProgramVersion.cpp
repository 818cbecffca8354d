#include "core/ProgramVersion.h"

#include <string_view>

namespace gm::program_version {
namespace {

constexpr std::string_view kTagPrefix = "$VER: GrooveMangler ";
// Kept in the binary whole, where version tools look for "$VER:".
[[gnu::used]] constexpr char kVersionTag[] = "$VER: GrooveMangler 1.4 (08.06.15)";

static_assert(std::string_view(kVersionTag).starts_with(kTagPrefix));
static_assert(std::string_view(kVersionTag).substr(kTagPrefix.size()).starts_with(kNumber));
constexpr std::string_view kTag = kVersionTag;
static_assert(kTag.ends_with(')') && kTag.substr(kTag.size() - 9, 8) == kBuildDate);

}  // namespace

const char* versionText() { return kVersionTag + kTagPrefix.size(); }

}  // namespace gm::program_version
