// The texts the program shows: every id has its built-in English, the shipped German catalog
// translates each id once and keeps its values, the language follows the locale, and no widget of
// the program is given a plain string where a catalog text belongs.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "core/CatalogTable.h"
#include "core/RegularFile.h"

namespace gm {
namespace {

constexpr int kCount = int(Msg::Count);
const QString kSourceDir = QStringLiteral(GM_SOURCE_DIR);

QString readText(const QString& path) {
  return QString::fromUtf8(RegularFile::read(path, 8 << 20).value_or(QByteArray()));
}

// "%1 of %2 (%1)" → {1, 1, 2}: the values a text shows, however the translation orders them.
std::multiset<int> placeholders(const QString& text) {
  static const QRegularExpression marker(QStringLiteral("%(\\d+)"));
  std::multiset<int> numbers;
  for (const auto& match : marker.globalMatch(text)) numbers.insert(match.captured(1).toInt());
  return numbers;
}

TEST(Catalog, EveryIdHasItsEnglishAndTheGermanCatalogTranslatesEachOnceKeepingItsValues) {
  CatalogTable::resetToBuiltIn();
  for (int id = 1; id < kCount; ++id) {
    EXPECT_FALSE(CatalogTable::builtIn(Msg(id)).isEmpty()) << id;
    EXPECT_EQ(msg(Msg(id)), CatalogTable::builtIn(Msg(id))) << id;
  }
  const QString path = kSourceDir + "/catalogs/de/GrooveMangler.catalog";
  const QStringList lines = readText(path).split('\n');
  std::map<int, QString> german;
  for (const QString& line : lines) {
    if (line.isEmpty() || line.startsWith('#')) continue;
    bool number = false;
    const int id = line.section(' ', 0, 0).toInt(&number);
    ASSERT_TRUE(number && id >= 1 && id < kCount) << "unknown id: " << line.toStdString();
    EXPECT_TRUE(german.emplace(id, line.section(' ', 1).replace("\\n", "\n")).second) << "twice: " << id;
  }
  EXPECT_EQ(int(german.size()), kCount - 1);
  std::map<QString, QString> englishOfGerman;
  for (const auto& [id, text] : german) {
    const QString english = CatalogTable::builtIn(Msg(id));
    EXPECT_FALSE(text.trimmed().isEmpty()) << id;
    EXPECT_EQ(placeholders(text), placeholders(english)) << id << ": " << text.toStdString();
    // Files store the English of what a German text shows, so one German text means one English.
    const auto [known, added] = englishOfGerman.emplace(text, english);
    EXPECT_TRUE(added || known->second == english) << text.toStdString();
  }
  // The program reads the file as the test does: every entry replaces its text.
  EXPECT_EQ(CatalogTable::translate(path), kCount - 1);
  EXPECT_EQ(msg(Msg::QuitQuestion), german[int(Msg::QuitQuestion)]);
  EXPECT_EQ(CatalogTable::builtInOf(german[int(Msg::EventPlay)]), "Play");
  EXPECT_EQ(CatalogTable::builtInOf("Mufflex Frequency"), "Mufflex Frequency");
  EXPECT_EQ(CatalogTable::translatedOf("Unsupported or damaged file"), german[int(Msg::ReasonUnsupported)]);
  EXPECT_EQ(CatalogTable::translatedOf("Resource busy"), "Resource busy");
  CatalogTable::resetToBuiltIn();
}

// Restores the locale variables the test changes.
class LocaleEnvironment {
 public:
  LocaleEnvironment() {
    for (const char* name : kNames) saved_[name] = qgetenv(name);
  }
  ~LocaleEnvironment() {
    for (const auto& [name, value] : saved_) put(name, value.isNull() ? nullptr : value.constData());
  }
  void set(const char* lcAll, const char* lcMessages, const char* lang, const char* language) {
    const char* values[] = {lcAll, lcMessages, lang, language};
    for (int i = 0; i < 4; ++i) put(kNames[i], values[i]);
  }

 private:
  static void put(const char* name, const char* value) {
    if (value != nullptr) {
      qputenv(name, value);
    } else {
      qunsetenv(name);
    }
  }
  static constexpr const char* kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"};
  std::map<const char*, QByteArray> saved_;
};

TEST(Catalog, LanguageComesFromTheLocaleOrItsPreferenceList) {
  QTemporaryDir dir;
  for (const char* language : {"de", "fr"}) {
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QString("Catalogs/%1").arg(language))));
    QFile file(dir.filePath(QString("Catalogs/%1/GrooveMangler.catalog").arg(language)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  const QString de = dir.filePath("Catalogs/de/GrooveMangler.catalog");
  const QString fr = dir.filePath("Catalogs/fr/GrooveMangler.catalog");
  LocaleEnvironment environment;
  struct Case {
    const char *lcAll, *lcMessages, *lang, *language;
    QString expected;
  };
  const Case cases[] = {
      {nullptr, nullptr, "de_DE.UTF-8", nullptr, de},
      {nullptr, nullptr, "de_AT@euro", nullptr, de},
      {nullptr, "fr_FR.UTF-8", "de_DE.UTF-8", nullptr, fr},       // LC_MESSAGES before LANG
      {"de_CH.UTF-8", "fr_FR.UTF-8", "fr_FR.UTF-8", nullptr, de},  // LC_ALL before both
      {nullptr, nullptr, "de_DE.UTF-8", "it:fr", fr},              // the first listed one installed
      {nullptr, nullptr, "fr_FR.UTF-8", "en:de", QString()},       // English listed first: built in
      {nullptr, nullptr, "C", "de", QString()},                    // "C" turns the list off
      {nullptr, nullptr, "es_ES.UTF-8", nullptr, QString()},       // no Spanish catalog
      {nullptr, nullptr, nullptr, "de", QString()},                // no locale at all is "C" too
  };
  for (const Case& c : cases) {
    environment.set(c.lcAll, c.lcMessages, c.lang, c.language);
    EXPECT_EQ(CatalogTable::catalogPathForLanguage(dir.path()).toStdString(), c.expected.toStdString())
        << (c.lang ? c.lang : "-") << " / " << (c.language ? c.language : "-");
  }
}

// The calls that put text on screen, and the helpers the panels build their controls with.
const QRegularExpression kShowingCall(QStringLiteral(
    "\\b(setText|setWindowTitle|setToolTip|setStatusTip|setWhatsThis|setPlaceholderText|addAction|addMenu|addTab|"
    "addItem|setHeaderLabels?|drawText|show|request|QLabel|QPushButton|QCheckBox|QGroupBox|QRadioButton|QAction|"
    "caption|makeButton|makeToggle|makeKnob|getOpenFileNames?|getSaveFileName|getExistingDirectory)\\s*\\("));
const QRegularExpression kLiteral(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\""));
// Object names and roles ("deckA.sync", "kill") are for the program, not the DJ.
const QRegularExpression kInternalName(QStringLiteral("^[a-z][A-Za-z0-9_.]*$"));
// A word appended to a name ("mixerA." + band + "Kill") builds a name too.
const QRegularExpression kNameFragment(QStringLiteral("^[A-Za-z][A-Za-z0-9_.]*$"));
// Deck letters and the program's own name read the same in every language.
const std::set<QString> kSameInEveryLanguage = {"A", "B", " A", " B", "GrooveMangler", "GrooveMangler - "};

// The arguments of the call whose "(" is at `open`: up to the matching ")", outside string literals.
QString callArguments(const QString& source, qsizetype open) {
  int depth = 0;
  for (qsizetype i = open; i < source.size(); ++i) {
    const QChar c = source[i];
    if (c == '"') {
      for (++i; i < source.size() && source[i] != '"'; ++i) i += source[i] == '\\';
    } else if (c == '(') {
      ++depth;
    } else if (c == ')' && --depth == 0) {
      return source.mid(open + 1, i - open - 1);
    }
  }
  return {};
}

QString withoutLineComments(const QString& source) {
  static const QRegularExpression comment(QStringLiteral("(^|\\s)//[^\\n]*"));
  return QString(source).replace(comment, QStringLiteral("\\1"));
}

// Plain strings shown by the program: "file:line: text" for each.
QStringList plainTexts(const QString& file, const QString& source) {
  QStringList found;
  for (const auto& call : kShowingCall.globalMatch(source)) {
    const QString arguments = callArguments(source, call.capturedEnd() - 1);
    for (const auto& literal : kLiteral.globalMatch(arguments)) {
      const QString text = literal.captured(1);
      const bool words = text.contains(QRegularExpression(QStringLiteral("[A-Za-z]")));
      const bool appendedToName = kNameFragment.match(text).hasMatch() &&
                                  arguments.left(literal.capturedStart()).trimmed().endsWith('+');
      if (!words || appendedToName || kInternalName.match(text).hasMatch() || kSameInEveryLanguage.count(text) != 0) {
        continue;
      }
      found << QString("%1:%2: %3").arg(file).arg(source.left(call.capturedStart()).count('\n') + 1).arg(text);
    }
  }
  return found;
}

TEST(Catalog, NoWidgetOfTheProgramIsGivenAPlainString) {
  // The scan itself: it finds a plain text in each form a widget gets one, and lets names through.
  const QString sample = withoutLineComments(
      "auto* b = new QPushButton(\"PLAY\", this);  // setText(\"in a comment\")\n"
      "b->setToolTip(\n  QString(\"Loop %1 beat(s)\").arg(n));\n"
      "makeButton(msg(Msg::SyncButton), name(\"sync\"), msg(Msg::SyncHelp));\n"
      "caption(deckA ? \"A\" : \"B\", \"channel\", box);\n"
      "status_.show(msg(Msg::LoadFailed).arg(file, \"the deck is busy\"));\n"
      "makeToggle(kill, msg(Msg::KillButton), prefix + \"Kill\", \"kill\"); label->setText(\"Deck \" + letter);\n");
  EXPECT_EQ(plainTexts("sample", sample).join('|'),
            "sample:1: PLAY|sample:2: Loop %1 beat(s)|sample:6: the deck is busy|sample:7: Deck ");

  QStringList found;
  QDirIterator sources(kSourceDir + "/src", {"*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
  int files = 0;
  while (sources.hasNext()) {
    const QString path = sources.next();
    // The usage text matches the manual page, and plug-ins bring their own texts.
    if (path.endsWith("/CommandLine.cpp") || path.contains("/plugins/filters/") || path.contains("/plugins/detectors/")) {
      continue;
    }
    ++files;
    found << plainTexts(QDir(kSourceDir).relativeFilePath(path), withoutLineComments(readText(path)));
  }
  EXPECT_GT(files, 100);
  EXPECT_TRUE(found.isEmpty()) << found.join('\n').toStdString();
}

}  // namespace
}  // namespace gm
