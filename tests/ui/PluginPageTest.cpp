// The "Filters" and "Beat Detectors" settings pages with the real plug-ins of the build.

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSlider>
#include <QTreeWidget>
#include <QtTest>

#include "plugins/FilterRack.h"
#include "plugins/FilterSlot.h"
#include "plugins/PluginDirectory.h"
#include "plugins/PluginHost.h"
#include "plugins/PluginList.h"
#include "plugins/PluginObject.h"
#include "plugins/ui/PluginPage.h"
#include "support/TestDirectories.h"

using namespace gm;
using gm::testing::TestDirectories;

namespace {

QString builtPlugin(const QString& relative) {
  QString root = qEnvironmentVariable("GROOVEMANGLER_PROGDIR");
  if (root.isEmpty()) root = QStringLiteral(GM_BUILD_PROGDIR);
  return root + '/' + relative;
}

void install(const TestDirectories& dirs, const QString& relative) {
  const QString target = dirs.directories().resolve("PROGDIR:" + relative);
  QVERIFY(QDir().mkpath(QFileInfo(target).absolutePath()));
  QVERIFY(QFile::copy(builtPlugin(relative), target));
}

QStringList visibleTexts(QWidget* panel) {
  QStringList texts;
  for (QLabel* label : panel->findChildren<QLabel*>()) texts << label->text();
  return texts;
}

}  // namespace

class PluginPageTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void listsPluginsInReverseOrderWithNothingSelected();
  void useCheckMarkPersistsAndKeepsTheFilterOutOfNewRacks();
  void detectorPageShowsItsSettings();
};

void PluginPageTest::listsPluginsInReverseOrderWithNothingSelected() {
  TestDirectories dirs;
  install(dirs, "Filters/Mufflex.filter");
  install(dirs, "Filters/Thinex.filter");
  install(dirs, "Filters/Phaser.filter");
  PluginHost host(dirs.directories());
  PluginPage page(host, "Filters");
  page.resize(600, 300);
  page.show();

  QTreeWidget& view = page.listView();
  QCOMPARE(view.headerItem()->text(0), QString("Name"));
  QCOMPARE(view.headerItem()->text(1), QString("Version"));
  const QStringList files = PluginDirectory::pluginFiles(dirs.directories().resolve("PROGDIR:Filters"));
  QCOMPARE(view.topLevelItemCount(), 3);
  for (int row = 0; row < 3; ++row) {
    const QString name = view.topLevelItem(row)->text(0);
    QVERIFY(files[2 - row].endsWith("/" + name + ".filter"));
    QCOMPARE(view.topLevelItem(row)->text(1), name == "Mufflex" ? QString("1.1") : QString("1.2"));
  }
  QCOMPARE(view.currentItem(), nullptr);
  QVERIFY(view.selectedItems().isEmpty());
  QCOMPARE(page.shownPanel(), page.placeholder());

  view.setCurrentItem(view.topLevelItem(0));
  QWidget* first = page.shownPanel();
  QVERIFY(first != page.placeholder());
  QVERIFY(first->isVisible());
  QVERIFY(!page.placeholder()->isVisible());
  view.setCurrentItem(view.topLevelItem(1));
  QVERIFY(page.shownPanel() != first);
  QVERIFY(!first->isVisible());
}

void PluginPageTest::useCheckMarkPersistsAndKeepsTheFilterOutOfNewRacks() {
  TestDirectories dirs;
  install(dirs, "Filters/Mufflex.filter");
  install(dirs, "Filters/Thinex.filter");
  PluginHost host(dirs.directories());
  {
    PluginPage page(host, "Filters");
    QTreeWidget& view = page.listView();
    QTreeWidgetItem* thinex = view.findItems("Thinex", Qt::MatchExactly).value(0);
    QVERIFY(thinex != nullptr);
    view.setCurrentItem(thinex);
    QCheckBox* use = page.shownPanel()->findChild<QCheckBox*>();
    QVERIFY(use != nullptr);
    QCOMPARE(use->text(), QString("Use plugin"));
    QVERIFY(use->isChecked());
    use->click();
    QVERIFY(!use->isChecked());
  }
  QVERIFY(QFile::exists(dirs.path("home/Filters/Thinex.prefs")));
  FilterRack rack(host, "Filter A");
  QCOMPARE(rack.slots().size(), std::size_t(1));
  QCOMPARE(rack.slots()[0]->name(), QString("Mufflex"));

  PluginPage again(host, "Filters");
  again.listView().setCurrentItem(again.listView().findItems("Thinex", Qt::MatchExactly).value(0));
  QVERIFY(!again.shownPanel()->findChild<QCheckBox*>()->isChecked());
}

void PluginPageTest::detectorPageShowsItsSettings() {
  TestDirectories dirs;
  install(dirs, "BeatDetectors/Pulsetrak.detector");
  PluginHost host(dirs.directories());
  PluginPage page(host, "BeatDetectors");
  QCOMPARE(page.listView().topLevelItemCount(), 1);
  QCOMPARE(page.listView().topLevelItem(0)->text(0), QString("Pulsetrak Detector"));
  QCOMPARE(page.listView().topLevelItem(0)->text(1), QString("1.1"));
  page.listView().setCurrentItem(page.listView().topLevelItem(0));
  QWidget* panel = page.shownPanel();
  const QList<QSlider*> sliders = panel->findChildren<QSlider*>();
  QCOMPARE(sliders.size(), 2);
  QCOMPARE(sliders[0]->minimum(), 2);
  QCOMPARE(sliders[0]->maximum(), 10);
  QCOMPARE(sliders[0]->value(), 2);
  QCOMPARE(sliders[1]->value(), 15);
  QCOMPARE(sliders[1]->toolTip(), QString("Number of sampling steps done over the music."));
  const QStringList texts = visibleTexts(panel);
  QVERIFY(texts.contains("Sampling Length:"));
  QVERIFY(texts.contains("2 seconds"));
  QVERIFY(texts.contains("15 steps"));
  QVERIFY(texts.contains("This is a Pulsetrak detection plugin.\nIt works well with regular and well defined beats."));

  sliders[1]->setValue(22);
  QVERIFY(visibleTexts(panel).contains("22 steps"));
  QCOMPARE(page.list().plugin(0).integerAttribute(GM_DETECTOR_STEPS), std::optional<std::int32_t>(22));
  std::unique_ptr<PluginObject> other = host.createDetector();
  QVERIFY(other == nullptr || other->integerAttribute(GM_DETECTOR_STEPS) == 22);
}

QTEST_MAIN(PluginPageTest)
#include "PluginPageTest.moc"
