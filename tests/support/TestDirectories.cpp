#include "support/TestDirectories.h"

#include <QDir>

namespace gm::testing {

TestDirectories::TestDirectories()
    : savedConfig_(qgetenv("XDG_CONFIG_HOME")), savedRuntime_(qgetenv("XDG_RUNTIME_DIR")) {
  for (const char* dir : {"prog", "home", "config", "runtime"}) QDir(root_.path()).mkpath(dir);
  qputenv("XDG_CONFIG_HOME", root_.filePath("config").toLocal8Bit());
  qputenv("XDG_RUNTIME_DIR", root_.filePath("runtime").toLocal8Bit());
  directories_ = Directories::resolve(root_.filePath("prog"), root_.filePath("home"), QString());
}

TestDirectories::~TestDirectories() {
  qputenv("XDG_CONFIG_HOME", savedConfig_);
  qputenv("XDG_RUNTIME_DIR", savedRuntime_);
}

}  // namespace gm::testing
