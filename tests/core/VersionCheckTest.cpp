#include "core/VersionCheck.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTcpServer>

#include "core/CatalogTable.h"
#include "support/CannedHttpServer.h"
#include "support/TestSupport.h"

namespace gm {
namespace {

using testing::CannedHttpServer;
using State = VersionCheck::State;

// Runs one check against `server` and returns the state it ended in.
State checkAgainst(const QString& server, std::chrono::milliseconds bound = VersionCheck::kDefaultAnswerBound) {
  VersionCheck check(bound);
  check.start(server);
  EXPECT_EQ(check.state(), State::Checking);
  EXPECT_EQ(check.text(), "Checking if a new version is available for download...");
  EXPECT_TRUE(testing::waitFor([&] { return check.state() != State::Checking; }, 20000));
  return check.state();
}

TEST(VersionCheckTest, OnlyAnExactEightByteAnswerWithStatus200IsValid) {
  struct Case { int status; QByteArray body; State expected; };
  const Case cases[] = {
      {200, "08.06.15", State::Latest},      {200, "08.06.16", State::NewVersion},
      {200, "08.06.150", State::Failed},     {200, "08.06.1", State::Failed},
      {404, "08.06.15", State::Failed},      {201, "08.06.15", State::Failed},
  };
  for (const Case& c : cases) {
    CannedHttpServer server(CannedHttpServer::answer(c.status, c.body));
    EXPECT_EQ(checkAgainst(server.authority()), c.expected) << c.status << " " << c.body.constData();
    ASSERT_EQ(server.requestLines().size(), 1);
    EXPECT_EQ(server.requestLines()[0], "GET /groovemangler/versioncheck.php HTTP/1.1");
  }
  // A long answer is no date either: it is read no further than the limit.
  CannedHttpServer longAnswer(CannedHttpServer::answer(200, QByteArray(100000, '8')));
  EXPECT_EQ(checkAgainst(longAnswer.authority()), State::Failed);
}

TEST(VersionCheckTest, TheDateIsComparedIgnoringCaseAndTheServerIsAHostWithAPort) {
  EXPECT_EQ(VersionCheck::judge("08.JUN.9", 200, true, "08.jun.9"), State::Latest);
  EXPECT_EQ(VersionCheck::judge("08.JUL.9", 200, true, "08.jun.9"), State::NewVersion);
  EXPECT_EQ(VersionCheck::judge("08.06.15", 200, false, "08.06.15"), State::Failed);  // cut short
  EXPECT_EQ(VersionCheck::locationFor("example.org").toString(), "http://example.org/groovemangler/versioncheck.php");
  EXPECT_EQ(VersionCheck::locationFor(" 127.0.0.1:8080 ").toString(), "http://127.0.0.1:8080/groovemangler/versioncheck.php");
  for (const char* unusable : {"", "http://example.org", "example.org/news", "user@example.org", "host:port"}) {
    EXPECT_TRUE(VersionCheck::locationFor(unusable).isEmpty()) << unusable;
  }
}

TEST(VersionCheckTest, NoServerMeansNoCheckAndAnUnreachableOneFails) {
  VersionCheck off;
  off.start("  ");
  EXPECT_EQ(off.state(), State::Off);
  EXPECT_EQ(off.text(), msg(Msg::VersionCheckOff));

  // A server that accepts and never answers, and a port nobody listens on.
  CannedHttpServer silent{QByteArray()};
  EXPECT_EQ(checkAgainst(silent.authority(), std::chrono::milliseconds(700)), State::Failed);
  EXPECT_EQ(silent.requestLines().size(), 1);
  QString closedPort;
  {
    QTcpServer listener;
    ASSERT_TRUE(listener.listen(QHostAddress::LocalHost, 0));
    closedPort = QString("127.0.0.1:%1").arg(listener.serverPort());
  }
  EXPECT_EQ(checkAgainst(closedPort), State::Failed);

  // The program may end while a check waits: the check is abandoned and nothing reaches the gone object.
  auto abandoned = std::make_unique<VersionCheck>();
  abandoned->start(silent.authority());
  ASSERT_TRUE(testing::waitFor([&] { return silent.requestLines().size() == 2; }));
  abandoned.reset();
  QCoreApplication::processEvents();
}

}  // namespace
}  // namespace gm
