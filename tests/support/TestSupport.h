#pragma once
// Small helpers shared by the test suites: waiting on the event loop, and making test tracks with
// the demo-track tool.

#include <functional>

#include <QString>
#include <QStringList>

namespace gm {
class Directories;
}

namespace gm::testing {

// Runs the event loop until `done` holds or `timeoutMs` passes; returns whether it holds.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 10000);

// Writes a drum-pattern WAV at `bpm` into `dir` with the demo-track tool and returns its path.
// `lengthArgs` is "--seconds", "S" or "--frames", "N"; extra flags such as "--mono" may follow.
QString makeTrack(const QString& dir, const QString& name, int bpm, const QStringList& lengthArgs);

// Runs `work` in a forked child and waits at most `timeoutMs` for it: true when it returned (and the
// child exited with status 0). A child that hangs is killed. For code that must never block.
bool finishesWithin(int timeoutMs, const std::function<void()>& work);

// Copies the build's plug-ins (Filters/, BeatDetectors/) into the program directory of `dirs`, before
// the program scans it; false when one is missing.
bool installBuiltPlugins(const gm::Directories& dirs);

// Runs a program and returns its exit status (-1 when it cannot start or times out).
int runTool(const QString& program, const QStringList& arguments, int timeoutMs = 60000);

}  // namespace gm::testing
