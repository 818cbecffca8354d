#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include <atomic>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "core/BoundedValue.h"
#include "core/CatalogTable.h"
#include "app/CommandLine.h"
#include "core/Directories.h"
#include "core/MainThread.h"
#include "core/Requester.h"
#include "core/Worker.h"
#include "support/TestSupport.h"

namespace gm {
namespace {

TEST(DirectoriesTest, OptionsBeatEnvironmentAndWrittenNamesGoHome) {
  qputenv("GROOVEMANGLER_PROGDIR", "/env/prog");
  qputenv("GROOVEMANGLER_HOME", "/env/home");
  const Directories fromEnv = Directories::resolve({}, {}, "/usr/lib/groovemangler/GrooveMangler");
  EXPECT_EQ(fromEnv.programDir(), "/env/prog");
  EXPECT_EQ(fromEnv.homeDir(), "/env/home");
  const Directories dirs = Directories::resolve("/opt/gm", "/data/me", "/usr/bin/GrooveMangler");
  qunsetenv("GROOVEMANGLER_PROGDIR");
  qunsetenv("GROOVEMANGLER_HOME");
  const Directories fromExecutable = Directories::resolve({}, {}, "/usr/lib/groovemangler/GrooveMangler");
  EXPECT_EQ(fromExecutable.programDir(), "/usr/lib/groovemangler");

  EXPECT_EQ(dirs.resolve("PROGDIR:Filters"), "/opt/gm/Filters");
  EXPECT_EQ(dirs.resolve("PROGDIR:BeatDetectors/Pulsetrak.detector"), "/opt/gm/BeatDetectors/Pulsetrak.detector");
  EXPECT_EQ(dirs.resolve("PROGDIR:Keyledger/bpm.db"), "/data/me/Keyledger/bpm.db");
  EXPECT_EQ(dirs.resolve("PROGDIR:Config/default.cfg"), "/data/me/Config/default.cfg");
  EXPECT_EQ(dirs.resolve("PROGDIR:Filters/Mufflex.prefs"), "/data/me/Filters/Mufflex.prefs");
  EXPECT_EQ(dirs.resolve("PROGDIR:Recordings"), "/data/me/Recordings");
  EXPECT_EQ(dirs.resolve("PROGDIR:"), "/opt/gm");
  EXPECT_EQ(dirs.resolve("/music/track.flac"), "/music/track.flac");
}

TEST(CommandLineTest, ParsesOptionsFilesAndRejectsUnknownOptions) {
  const char* full[] = {"GrooveMangler", "--headless", "--progdir", "/p", "--home=/h", "a.mp3", "--", "--b.flac"};
  const CommandLine line = CommandLine::parse(8, full);
  EXPECT_TRUE(line.error.isEmpty());
  EXPECT_TRUE(line.headless);
  EXPECT_EQ(line.programDir, "/p");
  EXPECT_EQ(line.homeDir, "/h");
  EXPECT_EQ(line.files, QByteArrayList({"a.mp3", "--b.flac"}));
  // A name that is not UTF-8 stays the bytes it was given, or it would name another file.
  const char* latin1[] = {"GrooveMangler", "lat\xe9.wav"};
  EXPECT_EQ(CommandLine::parse(2, latin1).files, QByteArrayList({"lat\xe9.wav"}));
  // One track per deck; an empty argument names none.
  const char* two[] = {"GrooveMangler", "a.wav", "b.wav"};
  EXPECT_TRUE(CommandLine::parse(3, two).error.isEmpty());
  const char* three[] = {"GrooveMangler", "a.wav", "b.wav", "c.wav"};
  EXPECT_EQ(CommandLine::parse(4, three).error, "too many tracks: at most two, one for each deck");
  const char* empty[] = {"GrooveMangler", "", "b.wav"};
  EXPECT_EQ(CommandLine::parse(3, empty).error, "an empty argument names no track");

  const char* unknown[] = {"GrooveMangler", "--fullscreen"};
  EXPECT_EQ(CommandLine::parse(2, unknown).error, "unknown option --fullscreen");
  const char* missing[] = {"GrooveMangler", "--home"};
  EXPECT_FALSE(CommandLine::parse(2, missing).error.isEmpty());
  const char* help[] = {"GrooveMangler", "-h"};
  EXPECT_TRUE(CommandLine::parse(2, help).help);
  for (const char* option : {"--headless", "--progdir", "--home", "--help", "--version"}) {
    EXPECT_TRUE(CommandLine::usage().contains(option)) << option;
  }
}

TEST(CatalogTableTest, TranslatesKnownIdsAndKeepsBuiltInFallbacks) {
  QTemporaryDir dir;
  QFile file(dir.filePath("test.catalog"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("# comment\n1 DJ-Mischpult\n8 Wirklich beenden?\\nSicher?\n9999 out of range\nbad line\n\n");
  file.close();
  EXPECT_EQ(CatalogTable::translate(file.fileName()), 2);
  EXPECT_EQ(msg(Msg::AppDescription), "DJ-Mischpult");
  EXPECT_EQ(msg(Msg::QuitQuestion), "Wirklich beenden?\nSicher?");
  EXPECT_EQ(msg(Msg::ErrorTitle), "Error");
  EXPECT_EQ(CatalogTable::translate(dir.filePath("missing.catalog")), 0);
  // A FIFO where the catalog should be is no catalog; reading it must not wait for a writer.
  ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath("fifo.catalog")).constData(), 0600), 0);
  EXPECT_TRUE(testing::finishesWithin(5000, [&] {
    if (CatalogTable::translate(dir.filePath("fifo.catalog")) != 0) std::_Exit(1);
  }));
  CatalogTable::resetToBuiltIn();
  EXPECT_EQ(msg(Msg::QuitQuestion), "Do you really want to quit?");
  EXPECT_EQ(msg(Msg::FailedAtInstanciating), "Failed at instanciating GrooveMangler. Exiting.");
}

TEST(RequesterTest, ButtonTextsBecomeLabelsWithShortcutsAndADefault) {
  EXPECT_EQ(Requester::buttonLabels("_OK|_Cancel"), QStringList({"&OK", "&Cancel"}));
  EXPECT_EQ(Requester::buttonLabels("_Do not bother me again.|*_OK"), QStringList({"&Do not bother me again.", "&OK"}));
  EXPECT_EQ(Requester::defaultButton("_Do not bother me again.|*_OK"), 1);
  EXPECT_EQ(Requester::defaultButton("_OK|_Cancel"), 0);
  EXPECT_EQ(Requester::buttonLabels("Rock & Roll"), QStringList({"Rock && Roll"}));
}

TEST(BoundedValueTest, ClampsAndNotifiesOnlyRealChanges) {
  BoundedValue value(-60, 60, 0);
  std::vector<int> seen;
  QObject::connect(&value, &BoundedValue::valueChanged, [&seen](int v) { seen.push_back(v); });
  value.setValue(100);
  value.setValue(70);
  value.setValue(-5);
  value.setValueSilently(3);
  EXPECT_EQ(value.value(), 3);
  EXPECT_EQ(seen, (std::vector<int>{60, -5}));
  EXPECT_EQ(BoundedValue(0, 255, 999).initial(), 255);
}

TEST(WorkerTest, RunsJobsInOrderOnItsOwnThreadAndDiscardsPending) {
  std::vector<int> order;
  std::thread::id workerThread;
  {
    Worker worker("GrooveMangler Loader");
    std::atomic<bool> started{false};
    std::atomic<bool> release{false};
    worker.post([&] {
      workerThread = std::this_thread::get_id();
      started = true;
      while (!release) std::this_thread::yield();
    });
    while (!started) std::this_thread::yield();
    for (int i = 0; i < 5; ++i) worker.post([&order, i] { order.push_back(i); });
    EXPECT_EQ(worker.discardPending(), 5u);
    worker.post([&order] { order.push_back(10); });
    worker.post([&order] { order.push_back(11); });
    release = true;
    worker.waitIdle();
    EXPECT_EQ(order, (std::vector<int>{10, 11}));
    worker.post([&order] { order.push_back(12); });
  }  // the destructor joins; a job that had not started may be dropped
  EXPECT_NE(workerThread, std::this_thread::get_id());
  EXPECT_LE(order.size(), 3u);
}

TEST(WorkerTest, StoppingGivesUpWaitingOnAJobThatDoesNotEnd) {
  Worker worker("GrooveMangler Loader");
  std::atomic<bool> started{false};
  std::atomic<bool> release{false};
  worker.post([&] {
    started = true;
    while (!release) std::this_thread::yield();
  });
  std::atomic<bool> queuedJobRan{false};
  worker.post([&] { queuedJobRan = true; });
  while (!started) std::this_thread::yield();
  EXPECT_FALSE(worker.stopWithin(std::chrono::milliseconds(20)));
  release = true;
  EXPECT_TRUE(worker.stopWithin(std::chrono::milliseconds(60000)));
  EXPECT_FALSE(queuedJobRan);
}

TEST(MainThreadTest, PostsFromEachThreadArriveInOrderOnTheMainThread) {
  QObject context;
  constexpr int kPerThread = 2000;
  std::vector<int> fromA, fromB;
  bool allOnMain = true;
  auto sender = [&](std::vector<int>& sink) {
    for (int i = 0; i < kPerThread; ++i) {
      MainThread::post(&context, [&sink, &allOnMain, i] {
        allOnMain = allOnMain && MainThread::isCurrent();
        sink.push_back(i);
      });
    }
  };
  std::thread a(sender, std::ref(fromA));
  std::thread b(sender, std::ref(fromB));
  a.join();
  b.join();
  QCoreApplication::processEvents();
  ASSERT_EQ(fromA.size(), size_t(kPerThread));
  ASSERT_EQ(fromB.size(), size_t(kPerThread));
  for (int i = 0; i < kPerThread; ++i) {
    ASSERT_EQ(fromA[i], i);
    ASSERT_EQ(fromB[i], i);
  }
  EXPECT_TRUE(allOnMain);

  // A post whose receiver is gone is dropped instead of reaching a deleted object.
  bool ran = false;
  auto* shortLived = new QObject;
  MainThread::post(shortLived, [&ran] { ran = true; });
  delete shortLived;
  QCoreApplication::processEvents();
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace gm
