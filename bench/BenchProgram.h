#pragma once
// The whole program without its window, on private directories and the default sound device (or the
// null output), for the benchmarks that measure it while it runs.

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "app/Application.h"
#include "audio/PortAudioBackend.h"
#include "core/ConsoleRequester.h"

class BenchProgram {
 public:
  BenchProgram(int& argc, char** argv) : qtApp_(argc, argv) {}

  gm::Application& app() { return app_; }
  QString rootPath() const { return root_.path(); }

 private:
  // Runs before the application object resolves its directories.
  static bool usePrivateDirectories(const QTemporaryDir& root) {
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root.filePath("runtime")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath("config")));
    return true;
  }

  QTemporaryDir root_;
  bool privateDirectories_ = usePrivateDirectories(root_);
  QCoreApplication qtApp_;
  gm::PortAudioBackend backend_;
  gm::ConsoleRequester requester_;
  gm::Application app_{gm::Directories::resolve({}, root_.filePath("home"), QCoreApplication::applicationFilePath()),
                       backend_, requester_};
};
