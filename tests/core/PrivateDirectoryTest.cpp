#include "core/PrivateDirectory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace gm {
namespace {

mode_t modeOf(const QString& path) {
  struct stat info {};
  lstat(QFile::encodeName(path).constData(), &info);
  return info.st_mode & 07777;
}

// The runtime directory is used only when it is this user's own real directory, closed to others;
// otherwise a fresh private one takes its place and nothing is done to what was there.
TEST(PrivateDirectoryTest, AcceptsOnlyAPrivateDirectoryOfThisUser) {
  QTemporaryDir root;
  const QString fresh = root.filePath("fresh");
  const PrivateDirectory::Outcome made = PrivateDirectory::prepare(fresh);
  EXPECT_EQ(made.path, fresh);
  EXPECT_TRUE(made.problem.isEmpty());
  EXPECT_EQ(modeOf(fresh), mode_t(0700));
  EXPECT_EQ(PrivateDirectory::prepare(fresh).path, fresh) << "accepted again as it is";

  const QString open = root.filePath("open");
  const QString victim = root.filePath("victim");
  const QString link = root.filePath("link");
  ASSERT_TRUE(QDir().mkpath(open) && QDir().mkpath(victim));
  chmod(QFile::encodeName(open).constData(), 0701);  // only "execute" for others is enough to refuse
  chmod(QFile::encodeName(victim).constData(), 0755);
  ASSERT_EQ(symlink(QFile::encodeName(victim).constData(), QFile::encodeName(link).constData()), 0);
  QStringList refused = {open, link};
  const QString foreign = root.filePath("foreign");
  if (getuid() == 0) {  // only root can give a directory away
    ASSERT_TRUE(QDir().mkpath(foreign));
    chmod(QFile::encodeName(foreign).constData(), 0700);
    ASSERT_EQ(chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
    refused << foreign;
  }
  for (const QString& wanted : refused) {
    const PrivateDirectory::Outcome outcome = PrivateDirectory::prepare(wanted);
    EXPECT_FALSE(outcome.problem.isEmpty()) << wanted.toStdString();
    ASSERT_FALSE(outcome.path.isEmpty());
    EXPECT_NE(outcome.path, wanted);
    EXPECT_TRUE(PrivateDirectory::checkPrivate(outcome.path).isEmpty()) << outcome.path.toStdString();
    QDir(outcome.path).removeRecursively();
  }
  EXPECT_EQ(modeOf(victim), mode_t(0755)) << "the link's target is left alone";
  EXPECT_EQ(modeOf(open), mode_t(0701));
}

}  // namespace
}  // namespace gm
