#pragma once
// A private set of directories for one test: program, home, config and runtime directories inside
// one temporary directory, with the environment pointing at them while the object lives.

#include <QTemporaryDir>

#include "core/Directories.h"

namespace gm::testing {

class TestDirectories {
 public:
  TestDirectories();
  ~TestDirectories();

  const Directories& directories() const { return directories_; }
  QString path(const QString& relative) const { return root_.filePath(relative); }

 private:
  QTemporaryDir root_;
  Directories directories_;
  QByteArray savedConfig_;
  QByteArray savedRuntime_;
};

}  // namespace gm::testing
