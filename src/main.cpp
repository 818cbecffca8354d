// GrooveMangler: the two front ends (window and headless) around one application core.

#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QApplication>
#include <QCoreApplication>

#include "app/AnalyseCommand.h"
#include "app/Application.h"
#include "app/BreakSignal.h"
#include "core/CatalogTable.h"
#include "core/ProgramVersion.h"
#include "app/CommandLine.h"
#include "app/CommandSender.h"
#include "core/ConsoleRequester.h"
#include "app/ui/MainWindow.h"
#include "app/ui/MessageBoxRequester.h"
#include "app/ui/SplashWindow.h"
#include "audio/PortAudioBackend.h"

namespace {

using namespace gm;

// How long the end of the program waits for each deck's loader to abandon its load.
constexpr std::chrono::milliseconds kLoaderStopBound{3000};

Directories directoriesFor(const CommandLine& line, const char* argv0) {
  return Directories::resolve(line.programDir, line.homeDir, QString::fromLocal8Bit(argv0));
}

// The program's windows and status line speak the user's language; the command-line tools
// (--analyse) keep English on standard error, as their manual does.
Directories translatedDirectoriesFor(const CommandLine& line, const char* argv0) {
  Directories dirs = directoriesFor(line, argv0);
  CatalogTable::translate(CatalogTable::catalogPathForLanguage(dirs.programDir()));
  return dirs;
}

bool displayAvailable() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
         !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// Loads are abandoned at once when the program ends, but a loader stuck in a system call that
// cannot be interrupted (a read from a network file system that went away) would keep the program
// from ever ending: after a bounded wait it ends without tearing down.
int endLoaders(Application& app, int status) {
  for (const int deck : {Application::kDeckA, Application::kDeckB}) {
    if (app.deck(deck).stopLoading(kLoaderStopBound)) continue;
    std::fprintf(stderr, "GrooveMangler: a track loader does not respond; ending without cleaning up.\n");
    std::fflush(nullptr);
    std::_Exit(status);
  }
  return status;
}

int runHeadless(int argc, char** argv, const CommandLine& line) {
  QCoreApplication qtApp(argc, argv);
  PortAudioBackend backend;
  ConsoleRequester requester;
  Application app(translatedDirectoriesFor(line, argv[0]), backend, requester);
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
  return endLoaders(app, qtApp.exec());
}

int runAnalysis(int argc, char** argv, const CommandLine& line) {
  QCoreApplication qtApp(argc, argv);
  return AnalyseCommand::run(line, directoriesFor(line, argv[0]));
}

int runWindowed(int argc, char** argv, const CommandLine& line) {
  if (!displayAvailable()) {
    std::fprintf(stderr, "GrooveMangler: no display found. Start it with --headless to run without windows.\n");
    return 1;
  }
  QApplication qtApp(argc, argv);
  // Lets the desktop match the window to the installed entry (its name and icon in the task bar).
  QGuiApplication::setDesktopFileName(QStringLiteral("org.groovemangler.GrooveMangler"));
  MainWindow::applyDarkTheme();
  const Directories dirs = translatedDirectoriesFor(line, argv[0]);
  std::unique_ptr<SplashWindow> splash = SplashWindow::showUnlessTurnedOff(dirs);  // gone when start-up fails
  PortAudioBackend backend;
  MessageBoxRequester requester;
  Application app(dirs, backend, requester);
  MainWindow window(app);
  requester.setParentWidget(&window);
  BreakSignal breakSignal;
  QObject::connect(&breakSignal, &BreakSignal::received, &app, &Application::endByBreakSignal);
  QObject::connect(&app, &Application::quitRequested, &window, &MainWindow::closeAll);
  QObject::connect(&app, &Application::quitRequested, &qtApp, &QCoreApplication::quit, Qt::QueuedConnection);
  if (!app.create()) return 1;
  window.showAtStart();
  if (splash) splash->finish(&window);
  app.loadFiles(line.files);
  return endLoaders(app, qtApp.exec());
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit (ulimit -f) must end a recording with a message, not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
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
    std::printf("%s %s\n", program_version::kName, program_version::kNumber);
    return 0;
  }
  if (line.send || line.open) {
    const Directories dirs = Directories::resolve(line.programDir, line.homeDir, QString::fromLocal8Bit(argv[0]));
    if (line.send) return CommandSender::run(dirs.clientSocketPath(), line.commands, stdout, stderr);
    // One mixer owns the sound devices: files opened while it runs go to it.
    int status = 0;
    if (CommandSender::handOver(dirs.clientSocketPath(), line.files, stderr, status)) return status;
  }
  if (line.analyse) return runAnalysis(argc, argv, line);
  return line.headless ? runHeadless(argc, argv, line) : runWindowed(argc, argv, line);
}
