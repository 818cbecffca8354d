#pragma once
// The program's release: its version number, its build date and the version tag in the binary.

namespace gm::program_version {

inline constexpr char kName[] = "GrooveMangler";
inline constexpr char kNumber[] = "1.4";
// Day, month and year of the build. The version-check server answers with the latest release's
// date in the same eight characters.
inline constexpr char kBuildDate[] = "08.06.15";

// "1.4 (08.06.15)", as the about window and the splash show it; taken from the tag kept in the
// binary ("$VER: GrooveMangler 1.4 (08.06.15)"), so the two never disagree.
const char* versionText();

}  // namespace gm::program_version
