#include "control/EventScriptLauncher.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>

#include <QSignalSpy>
#include <QTemporaryDir>

#include "core/RegularFile.h"
#include "support/TestSupport.h"

namespace gm {
namespace {

TEST(EventScriptLauncher, RunsTheLineThroughTheShellWithoutInputOrOutputAndReapsIt) {
  QTemporaryDir dir;
  EventScriptLauncher launcher;
  QSignalSpy reaped(&launcher, &EventScriptLauncher::reaped);
  // Standard input reads as empty and standard output goes nowhere; the file shows what ran.
  const pid_t pid = launcher.start(QStringLiteral("read line; echo \"[$line]\" > '%1/out'; echo lost").arg(dir.path()));
  ASSERT_GT(pid, 0);
  EXPECT_EQ(launcher.running(), 1u);
  ASSERT_TRUE(testing::waitFor([&] { return reaped.count() == 1; }));
  EXPECT_EQ(reaped.at(0).at(0).value<pid_t>(), pid);
  EXPECT_EQ(launcher.running(), 0u);
  EXPECT_EQ(RegularFile::read(dir.filePath("out"), 100).value_or("none"), "[]\n");
  errno = 0;
  EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), -1);  // nobody left to reap
  EXPECT_EQ(errno, ECHILD);

  EXPECT_EQ(launcher.start("   "), -1);  // an empty script runs nothing
  EXPECT_EQ(launcher.running(), 0u);
}

}  // namespace
}  // namespace gm
