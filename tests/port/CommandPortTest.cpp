// The command port from the outside: the headless program, its real socket, the shell client and
// the REXX runner.

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>

#include <QDir>
#include <QTemporaryDir>

#include "HeadlessProgram.h"
#include "support/TestSupport.h"
#include "tracks/TrackScript.h"

namespace gm::testing {
namespace {

// A connection that writes whatever bytes a test wants.
class RawClient {
 public:
  explicit RawClient(const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = path.toLocal8Bit();
    std::memcpy(address.sun_path, native.constData(), std::size_t(native.size()));
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    connected_ = ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawClient() { ::close(fd_); }
  bool connected() const { return connected_; }
  int fd() const { return fd_; }
  bool write(const std::string& bytes) {
    return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
  }
  // The next reply line; "" at the end of the connection.
  std::string readLine() {
    for (;;) {
      const std::size_t newline = received_.find('\n');
      if (newline != std::string::npos) {
        std::string line = received_.substr(0, newline);
        received_.erase(0, newline + 1);
        return line;
      }
      char buffer[4096];
      const ssize_t count = ::recv(fd_, buffer, sizeof buffer, 0);
      if (count <= 0) return "";
      received_.append(buffer, std::size_t(count));
    }
  }
  // Reads until the program closes the connection; the number of bytes that came.
  std::size_t drainToEnd() {
    std::size_t total = received_.size();
    char buffer[65536];
    for (ssize_t count; (count = ::recv(fd_, buffer, sizeof buffer, 0)) > 0;) total += std::size_t(count);
    return total;
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
  std::string received_;
};

int runSend(const HeadlessProgram& program, const QStringList& commands, QByteArray* output = nullptr) {
  QProcess send;
  send.setProcessEnvironment(program.environment());
  send.start(programPath(), QStringList{"--send"} + commands);
  if (!send.waitForFinished(20000)) return -1;
  if (output) *output = send.readAllStandardOutput();
  return send.exitCode();
}

// One program with two short tracks for the tests of what the commands do.
class CommandPortTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = new QTemporaryDir;
    const QString trackA = makeTrack(root_->path(), "A.wav", 120, {"--seconds", "4"});
    const QString trackB = makeTrack(root_->path(), "B.wav", 126, {"--seconds", "4"});
    program_ = new HeadlessProgram(root_->path());
    ASSERT_TRUE(program_->start({trackA, trackB})) << program_->errorOutput().toStdString();
    ASSERT_TRUE(program_->waitForStatus("DECKA.LOADING", "0"));
    ASSERT_TRUE(program_->waitForStatus("DECKB.LOADING", "0"));
  }
  static void TearDownTestSuite() {
    delete program_;
    delete root_;
  }

  HeadlessProgram& program() { return *program_; }
  std::string send(const std::string& command) { return program_->send(command); }
  std::string status(const std::string& word) { return program_->status(word); }

  static QTemporaryDir* root_;
  static HeadlessProgram* program_;
};

QTemporaryDir* CommandPortTest::root_ = nullptr;
HeadlessProgram* CommandPortTest::program_ = nullptr;

TEST_F(CommandPortTest, KnobKillVolumeAndMuteCommandsDecodeTheirArgumentsAsDocumented) {
  ASSERT_EQ(send("USE DECKA"), "0");
  EXPECT_EQ(send("SETGAIN hi 300"), "0");  // clamped to 255: the maximum
  EXPECT_EQ(status("DECKA.HI"), "255");
  EXPECT_EQ(send("SetGain HI -5"), "0");
  EXPECT_EQ(status("DECKA.HI"), "0");
  send("SETGAIN LOW 200");
  EXPECT_EQ(status("DECKA.LOW"), "200");
  EXPECT_EQ(send("SETGAIN LOW RESET"), "0");  // (0 + 255) / 2, truncated
  EXPECT_EQ(status("DECKA.LOW"), "127");
  send("SETGAIN MID 255");
  EXPECT_EQ(send("SETGAIN MID UP"), "0");
  EXPECT_EQ(status("DECKA.MID"), "255");
  send("SETGAIN MID DOWN");
  EXPECT_EQ(status("DECKA.MID"), "254");
  EXPECT_EQ(send("SETGAIN TREBLE 10").substr(0, 2), "1 ");

  EXPECT_EQ(send("CUTGAIN GAIN ON").substr(0, 2), "1 ");  // GAIN has no kill switch
  EXPECT_EQ(status("DECKA.KILLS"), "0,0,0");
  EXPECT_EQ(send("CUTGAIN low on"), "0");
  EXPECT_EQ(status("DECKA.KILLS"), "0,0,1");
  send("CUTGAIN LOW TOGGLE");
  EXPECT_EQ(status("DECKA.KILLS"), "0,0,0");

  EXPECT_EQ(send("MUTE ON"), "0");
  EXPECT_EQ(status("DECKA.MUTE"), "1");
  EXPECT_EQ(send("MUTE TOGGLE"), "0");
  EXPECT_EQ(status("DECKA.MUTE"), "0");

  EXPECT_EQ(send("SETVOL 0"), "0");
  EXPECT_EQ(status("DECKA.VOLUME"), "0");
  EXPECT_EQ(send("SETVOL loud").substr(0, 2), "1 ");
  EXPECT_EQ(status("DECKA.VOLUME"), "0");
  send("SETVOL UP");
  EXPECT_EQ(status("DECKA.VOLUME"), "1");
  send("SETVOL 255");
  EXPECT_EQ(status("DECKA.VOLUME"), "60");
  EXPECT_EQ(status("DECKB.VOLUME"), "60");  // only the current deck's channel moved
}

TEST_F(CommandPortTest, DeckCommandsActOnTheDeckSelectedLastByAnyClient) {
  PortClient second;
  std::string error, reply;
  ASSERT_TRUE(second.connectTo(program().socketPath().toStdString(), error)) << error;

  ASSERT_EQ(send("USE DECKB"), "0");
  EXPECT_EQ(send("PLAY"), "0");
  EXPECT_EQ(status("DECKB.PLAYING"), "1");
  EXPECT_EQ(status("DECKA.PLAYING"), "0");
  ASSERT_TRUE(second.send("use decka", reply));  // another client selects deck A for everybody
  EXPECT_EQ(reply, "0");
  EXPECT_EQ(send("PLAY"), "0");
  EXPECT_EQ(status("DECKA.PLAYING"), "1");
  EXPECT_EQ(send("USE DECKC").substr(0, 2), "1 ");
  EXPECT_EQ(status("USE"), "DECKA");
  send("PAUSE");
  send("USE DECKB");
  send("PAUSE");
  send("USE DECKA");

  for (const char* shown : {"HI", "MID", "LOW", "WAVE"}) {
    EXPECT_EQ(send("DISPLAY NEXT"), "0");
    EXPECT_EQ(status("DECKA.DISPLAY"), shown);
  }
  send("DISPLAY PREVIOUS");
  EXPECT_EQ(status("DECKA.DISPLAY"), "LOW");
  send("DISPLAY WAVE");

  EXPECT_EQ(send("BPM 5999").substr(0, 2), "1 ");
  EXPECT_EQ(send("BPM 6000"), "0");
  EXPECT_EQ(status("DECKA.BPM"), "6000");
  EXPECT_EQ(send("BPM 24001").substr(0, 2), "1 ");
  EXPECT_EQ(send("BPM VALUE=24000"), "0");  // a value given by name
  EXPECT_EQ(status("DECKA.BPM"), "24000");

  EXPECT_EQ(send("SAMPLESEEK 44100"), "0");
  EXPECT_EQ(send("SETCUE"), "0");
  EXPECT_EQ(status("DECKA.CUE"), "44100");
  send("REWIND");
  EXPECT_EQ(status("DECKA.POSITION"), "0");
  send("CUE");
  EXPECT_EQ(status("DECKA.POSITION"), "44100");
  EXPECT_EQ(send("REVERSE TOGGLE"), "0");
  EXPECT_EQ(status("DECKA.REVERSE"), "1");
  send("REVERSE OFF");
  EXPECT_EQ(status("DECKA.REVERSE"), "0");

  EXPECT_EQ(send("PITCHINCREASE 5"), "1 not supported");
  EXPECT_EQ(status("DECKA.PITCH"), "10000");
  EXPECT_EQ(send("NOSUCHCOMMAND"), "2 unknown command");
  EXPECT_EQ(send("SAMPLESEEK"), "4 missing VALUE");
  EXPECT_EQ(send("SAMPLESEEK 12x").substr(0, 2), "4 ");
  EXPECT_EQ(send("SAMPLESEEK 2147483648").substr(0, 2), "4 ");  // past the 32-bit range
  EXPECT_EQ(send("SAMPLESEEK -2147483648"), "0");
  EXPECT_EQ(send("USE DECKA DECKB"), "4 USE: too many arguments");
  EXPECT_EQ(status("DECKA.POSITION"), "44100");
}

TEST_F(CommandPortTest, OverlongLinesJunkAndVanishedClientsLeaveThePortServing) {
  RawClient raw(program().socketPath());
  ASSERT_TRUE(raw.connected());
  raw.write(std::string(4096, 'X') + "\n");  // as long as a line may be
  EXPECT_EQ(raw.readLine(), "2 unknown command");
  raw.write(std::string(3000, 'X'));
  raw.write(std::string(1097, 'X') + " SETVOL 9\n");  // one byte too many, in two pieces
  EXPECT_EQ(raw.readLine(), "3 line too long");
  raw.write("STATUS\n");
  EXPECT_EQ(raw.readLine().substr(0, 6), "0 USE=");

  // Binary junk with NUL bytes and line feeds is answered line by line and does no harm.
  std::mt19937 random(20261208);
  std::string junk(8192, '\0');  // its replies fit in the socket: this client reads only later
  for (char& c : junk) c = char(random() % 7 == 0 ? '\n' : random() % 256);
  raw.write(junk + "\nSTATUS\n");
  std::string line;
  while (!(line = raw.readLine()).empty() && line.substr(0, 6) != "0 USE=") {
  }
  EXPECT_EQ(line.substr(0, 6), "0 USE=");

  // A client gone mid-line: its half command is never run.
  send("USE DECKB");
  send("SETVOL 255");
  {
    RawClient vanishing(program().socketPath());
    vanishing.write("SETVOL 0");
    ::shutdown(vanishing.fd(), SHUT_WR);
    EXPECT_EQ(vanishing.drainToEnd(), 0u);  // the program hung up on it
  }
  EXPECT_EQ(status("DECKB.VOLUME"), "60");

  // A client that never reads its replies is dropped before the program keeps them all.
  RawClient deaf(program().socketPath());
  const std::string request = "STATUS\n";
  bool dropped = false;
  for (int i = 0; i < 100000 && !dropped; ++i) {
    if (::send(deaf.fd(), request.data(), request.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0) {
      if (errno == EAGAIN) {
        pollfd wait{deaf.fd(), POLLOUT, 0};
        ::poll(&wait, 1, 100);
        continue;
      }
      dropped = errno == EPIPE || errno == ECONNRESET;
    }
  }
  EXPECT_TRUE(dropped);
  const std::size_t statusBytes = send("STATUS").size() + 1;
  EXPECT_LT(deaf.drainToEnd(), 100000 * statusBytes);
  EXPECT_EQ(send("USE DECKA"), "0");  // everybody else is still served
}

TEST(CommandPortInstances, OneProgramServesTheSocketAndStaleSocketsAreReplaced) {
  QTemporaryDir root;
  HeadlessProgram first(root.path());
  ASSERT_TRUE(first.start()) << first.errorOutput().toStdString();
  struct stat socket{};
  ASSERT_EQ(::lstat(first.socketPath().toLocal8Bit().constData(), &socket), 0);
  EXPECT_TRUE(S_ISSOCK(socket.st_mode));
  EXPECT_EQ(socket.st_mode & 07777, 0600u);

  HeadlessProgram second(root.path());
  ASSERT_TRUE(second.start());
  EXPECT_TRUE(second.errorOutput().contains("Another GrooveMangler serves the command port"));
  EXPECT_EQ(second.stop(), 0);
  EXPECT_EQ(first.send("USE DECKB"), "0");  // the first one still serves, its socket intact

  first.kill();  // leaves its socket behind
  ASSERT_TRUE(QFileInfo::exists(first.socketPath()));
  HeadlessProgram third(root.path());
  ASSERT_TRUE(third.start());
  EXPECT_FALSE(third.errorOutput().contains("command port")) << third.errorOutput().toStdString();
  EXPECT_EQ(third.status("USE"), "DECKA");  // a fresh program, not the dead one
  EXPECT_EQ(third.stop(), 0);
  EXPECT_FALSE(QFileInfo::exists(third.socketPath()));
}

TEST(CommandPortInstances, ClientsOfAnotherUserAreRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  QTemporaryDir root;
  HeadlessProgram program(root.path());
  ASSERT_TRUE(program.start());
  // Let "nobody" reach the socket, so that only the program's own check can turn it away.
  for (const QString& path : {root.path(), root.path() + "/runtime", root.path() + "/runtime/groovemangler"}) {
    ::chmod(path.toLocal8Bit().constData(), 0755);
  }
  ::chmod(program.socketPath().toLocal8Bit().constData(), 0666);
  const std::string path = program.socketPath().toStdString();
  const bool refused = finishesWithin(10000, [&path] {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
    RawClient client(QString::fromStdString(path));
    if (!client.connected()) ::_exit(4);
    client.write("USE DECKB\n");
    ::_exit(client.readLine().empty() ? 0 : 5);  // hung up on, no reply
  });
  EXPECT_TRUE(refused);
  EXPECT_EQ(program.status("USE"), "DECKA");
}

TEST(CommandPortRunner, APerTrackScriptRestoresTempoAndCueWhenItsTrackLoadsAgain) {
  QTemporaryDir root;
  const QString track = makeTrack(root.path(), "Track.wav", 120, {"--seconds", "4"});
  HeadlessProgram program(root.path());
  ASSERT_TRUE(program.start({track}));
  ASSERT_TRUE(program.waitForStatus("DECKA.LOADING", "0"));
  const std::string key = program.status("DECKA.KEY");
  ASSERT_EQ(key.size(), 16u);
  QDir().mkpath(program.homeDir() + "/Keyledger");
  ASSERT_TRUE(TrackScript::write(program.homeDir() + "/Keyledger/" + QString::fromStdString(key) + ".rx", 12800, 1000));

  ASSERT_EQ(program.send("USE DECKB"), "0");
  ASSERT_EQ(program.send("LOAD " + track.toStdString()), "0");  // into deck B, the script's argument
  EXPECT_TRUE(program.waitForStatus("DECKB.CUE", "1000")) << program.errorOutput().toStdString();
  EXPECT_EQ(program.status("DECKB.BPM"), "12800");  // a track with a script is not analysed for tempo
  EXPECT_EQ(program.status("DECKB.POSITION"), "1000");
  EXPECT_EQ(program.status("USE"), "DECKB");
  EXPECT_NE(program.status("DECKA.BPM"), "12800");
  EXPECT_EQ(program.status("DECKA.CUE"), "0");
}

TEST(CommandPortRunner, ScriptsSeeReplyCodesAndResultsAndSendNothingWithoutTheProgram) {
  QTemporaryDir root;
  HeadlessProgram program(root.path());
  const QString script = root.path() + "/probe.rexx";
  QFile file(script);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("/* */\nIF \\SHOW('P', 'GROOVEMANGLER') THEN EXIT 7\nADDRESS GROOVEMANGLER\n"
             "'USE' ARG(1)\nIF rc \\= 0 THEN EXIT 10 + rc\n'STATUS'\nIF LEFT(RESULT, 10) \\= 'USE=DECKB ' THEN EXIT 20\n"
             "'BPM 5999'\nEXIT rc\n");
  file.close();
  auto runScript = [&](const QString& argument) {
    QProcess runner;
    runner.setProcessEnvironment(program.environment());
    runner.start(runnerPath(), {script, argument});
    return runner.waitForFinished(20000) ? runner.exitCode() : -1;
  };
  EXPECT_EQ(runScript("DECKB"), 7);  // no program: SHOW says so

  const QString generated = root.path() + "/generated.rx";
  ASSERT_TRUE(TrackScript::write(generated, 12800, 1000));
  QProcess runner;
  runner.setProcessEnvironment(program.environment());
  runner.start(runnerPath(), {generated, "decka"});
  ASSERT_TRUE(runner.waitForFinished(20000));
  EXPECT_EQ(runner.exitCode(), 0);
  EXPECT_EQ(runner.readAllStandardError(), "");  // it did not try to send anything

  ASSERT_TRUE(program.start());
  EXPECT_EQ(runScript("DECKC"), 11);  // USE DECKC does nothing: rc 1
  EXPECT_EQ(runScript("DECKB"), 1);   // STATUS came back in RESULT; BPM 5999 gives rc 1
}

TEST(CommandPortSend, ExitStatusIsTheFirstNonZeroReplyCode) {
  QTemporaryDir root;
  HeadlessProgram program(root.path());
  EXPECT_EQ(runSend(program, {"STATUS"}), 69);  // no program runs
  ASSERT_TRUE(program.start());
  QByteArray output;
  EXPECT_EQ(runSend(program, {"USE DECKB", "STATUS"}, &output), 0);
  EXPECT_TRUE(output.startsWith("0\n0 USE=DECKB ")) << output.toStdString();
  EXPECT_EQ(runSend(program, {"SETVOL UP", "FOO", "PITCHINCREASE 1"}, &output), 2);
  EXPECT_EQ(output, "0\n2 unknown command\n1 not supported\n");
  EXPECT_EQ(runSend(program, {"CROSSFADER 61", "STATUS"}, &output), 0);
  EXPECT_TRUE(output.contains(" CROSSFADER=60 RECORDING=0 ")) << output.toStdString();
  // The recorder's event starts a recording without a window; STATUS says so.
  EXPECT_EQ(runSend(program, {"EVENT Recorder \"Start/Stop Recording\" 0", "STATUS"}, &output), 0);
  EXPECT_TRUE(output.contains(" CROSSFADER=60 RECORDING=1 ")) << output.toStdString();
  EXPECT_EQ(runSend(program, {"QUIT"}, &output), 0);
  EXPECT_EQ(program.waitForExit(), 0);
}

}  // namespace
}  // namespace gm::testing
