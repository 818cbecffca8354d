// The manual page and --help describe the same command line, and --open reads as a desktop calls it.

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include "app/CommandLine.h"

namespace gm {
namespace {

// A line of the page as man shows it: without font changes, with plain hyphens.
QString plainText(QString line) {
  static const QRegularExpression fontChange(R"(\\f[BIRP])");
  return line.remove(fontChange).replace("\\-", "-").replace("\\e", "\\");
}

// The source lines of one section of the page.
QStringList section(const QStringList& page, const QString& name) {
  const qsizetype start = page.indexOf(".SH " + name);
  QStringList lines;
  for (qsizetype i = start + 1; start >= 0 && i < page.size() && !page[i].startsWith(".SH "); ++i) lines << page[i];
  return lines;
}

QStringList manualSynopsis(const QStringList& page) {
  QStringList lines;
  for (const QString& line : section(page, "SYNOPSIS")) {
    if (!line.startsWith('.')) lines << plainText(line);
  }
  return lines;
}

// The tag of each entry of OPTIONS: the line after ".TP".
QStringList manualOptions(const QStringList& page) {
  const QStringList lines = section(page, "OPTIONS");
  QStringList tags;
  for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i] == ".TP") tags << plainText(lines[i + 1]);
  }
  return tags;
}

QStringList helpSynopsis(const QStringList& usage) {
  QStringList lines{usage.value(0).mid(QStringLiteral("Usage: ").size())};
  for (qsizetype i = 1; i < usage.size() && usage[i].startsWith("       GrooveMangler"); ++i) lines << usage[i].trimmed();
  return lines;
}

// The first column of the option list: "  --jobs N           analyse ..." gives "--jobs N".
QStringList helpOptions(const QStringList& usage) {
  QStringList tags;
  for (const QString& line : usage) {
    if (line.size() < 3 || !line.startsWith("  ") || line[2] == ' ') continue;
    tags << line.mid(2, line.indexOf("  ", 2) - 2);
  }
  return tags;
}

TEST(ManualPageTest, SynopsisAndOptionsAreThoseOfHelp) {
  QFile file(GM_MANUAL_PAGE);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QStringList page = QString::fromUtf8(file.readAll()).split('\n');
  const QStringList usage = CommandLine::usage().split('\n');
  ASSERT_TRUE(helpOptions(usage).contains("--open [FILE...]"));
  ASSERT_TRUE(helpOptions(usage).contains("-h, --help"));
  EXPECT_EQ(manualSynopsis(page).join('\n').toStdString(), helpSynopsis(usage).join('\n').toStdString());
  EXPECT_EQ(manualOptions(page).join('\n').toStdString(), helpOptions(usage).join('\n').toStdString());
}

TEST(CommandLineOpenTest, OpenTakesEveryLaterArgumentAsAFileAndAtMostTwo) {
  const char* fromMenu[] = {"GrooveMangler", "--open"};
  const CommandLine menu = CommandLine::parse(2, fromMenu);
  EXPECT_TRUE(menu.open && menu.error.isEmpty() && menu.files.isEmpty());
  const char* two[] = {"GrooveMangler", "--headless", "--open", "--help", "-\xe9.wav"};
  const CommandLine files = CommandLine::parse(5, two);
  EXPECT_TRUE(files.error.isEmpty() && files.headless && !files.help);
  EXPECT_EQ(files.files, QByteArrayList({"--help", "-\xe9.wav"}));
  const char* three[] = {"GrooveMangler", "--open", "a.wav", "b.wav", "c.wav"};
  EXPECT_EQ(CommandLine::parse(5, three).error, "too many tracks: at most two, one for each deck");
  const char* analyse[] = {"GrooveMangler", "--analyse", "--open", "a.wav"};
  EXPECT_EQ(CommandLine::parse(4, analyse).error, "option --open does not go with --analyse");
}

}  // namespace
}  // namespace gm
