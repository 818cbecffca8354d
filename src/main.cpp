// GrooveMangler: the two front ends (window and headless) around one application core.

#include <cstdio>

#include <QApplication>
#include <QCoreApplication>

#include "app/Application.h"
#include "app/BreakSignal.h"
#include "core/CatalogTable.h"
#include "app/CommandLine.h"
#include "core/ConsoleRequester.h"
#include "app/ui/MainWindow.h"
#include "app/ui/MessageBoxRequester.h"
#include "audio/PortAudioBackend.h"

namespace {

using namespace gm;

Directories directoriesFor(const CommandLine& line, const char* argv0) {
  Directories dirs = Directories::resolve(line.programDir, line.homeDir, QString::fromLocal8Bit(argv0));
  CatalogTable::translate(CatalogTable::catalogPathForLanguage(dirs.programDir()));
  return dirs;
}

bool displayAvailable() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
         !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

int runHeadless(int argc, char** argv, const CommandLine& line) {
  QCoreApplication qtApp(argc, argv);
  PortAudioBackend backend;
  ConsoleRequester requester;
  Application app(directoriesFor(line, argv[0]), backend, requester);
  QObject::connect(&app.status(), &StatusLine::shown, [](const QString& text) {
    std::fprintf(stderr, "GrooveMangler: %s\n", text.toLocal8Bit().constData());
  });
  BreakSignal breakSignal;
  QObject::connect(&breakSignal, &BreakSignal::received, &app, &Application::endByBreakSignal);
  QObject::connect(&app, &Application::quitRequested, &qtApp, &QCoreApplication::quit, Qt::QueuedConnection);
  if (!app.create()) return 1;
  app.loadFiles(line.files);
  std::fprintf(stderr, "GrooveMangler: running headless on \"%s\"; SIGINT or SIGTERM ends it.\n",
               app.masterOutput()->deviceName().c_str());
  return qtApp.exec();
}

int runWindowed(int argc, char** argv, const CommandLine& line) {
  if (!displayAvailable()) {
    std::fprintf(stderr, "GrooveMangler: no display found. Start it with --headless to run without windows.\n");
    return 1;
  }
  QApplication qtApp(argc, argv);
  MainWindow::applyDarkTheme();
  PortAudioBackend backend;
  MessageBoxRequester requester;
  Application app(directoriesFor(line, argv[0]), backend, requester);
  MainWindow window(app);
  requester.setParentWidget(&window);
  BreakSignal breakSignal;
  QObject::connect(&breakSignal, &BreakSignal::received, &app, &Application::endByBreakSignal);
  QObject::connect(&app, &Application::quitRequested, &window, &MainWindow::closeAll);
  QObject::connect(&app, &Application::quitRequested, &qtApp, &QCoreApplication::quit, Qt::QueuedConnection);
  if (!app.create()) return 1;
  window.show();
  app.loadFiles(line.files);
  return qtApp.exec();
}

}  // namespace

int main(int argc, char** argv) {
  const CommandLine line = CommandLine::parse(argc, argv);
  if (!line.error.isEmpty()) {
    std::fprintf(stderr, "GrooveMangler: %s\n\n%s", line.error.toLocal8Bit().constData(),
                 CommandLine::usage().toLocal8Bit().constData());
    return 2;
  }
  if (line.help) {
    std::fputs(CommandLine::usage().toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (line.version) {
    std::puts("GrooveMangler 1.4");
    return 0;
  }
  return line.headless ? runHeadless(argc, argv, line) : runWindowed(argc, argv, line);
}
