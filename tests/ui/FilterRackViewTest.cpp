// A deck's filter rack in the window: slot tiles headed by the "On" toggle and the plug-in's name,
// and the controls panels, driven by the mouse and by events.

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

#include "control/EventList.h"
#include "plugins/FilterRack.h"
#include "plugins/FilterSlot.h"
#include "plugins/PluginHost.h"
#include "plugins/PluginObject.h"
#include "plugins/ui/FilterRackView.h"
#include "plugins/ui/PanelBuilder.h"
#include "support/TestDirectories.h"

using namespace gm;
using gm::testing::TestDirectories;

namespace {

QString builtPlugin(const QString& relative) {
  QString root = qEnvironmentVariable("GROOVEMANGLER_PROGDIR");
  if (root.isEmpty()) root = QStringLiteral(GM_BUILD_PROGDIR);
  return root + '/' + relative;
}

}  // namespace

class FilterRackViewTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void slotsShowTheirPluginsAndFollowTheirModels();
  void formatsAreFilledWithoutPrintf();
};

void FilterRackViewTest::slotsShowTheirPluginsAndFollowTheirModels() {
  TestDirectories dirs;
  const QString filters = dirs.directories().resolve("PROGDIR:Filters");
  QVERIFY(QDir().mkpath(filters));
  QVERIFY(QFile::copy(builtPlugin("Filters/Mufflex.filter"), filters + "/Mufflex.filter"));
  QVERIFY(QFile::copy(builtPlugin("Filters/Phaser.filter"), filters + "/Phaser.filter"));
  PluginHost host(dirs.directories());
  FilterRack rack(host, "Filter A");
  QCOMPARE(rack.slots().size(), std::size_t(2));
  EventList events;
  FilterRackView view(rack, &events);
  QVERIFY(events.records().empty());
  view.resize(400, 500);
  view.show();
  QCOMPARE(events.size(), std::size_t(6));
  view.hide();
  view.show();
  QCOMPARE(events.size(), std::size_t(6));

  const QList<QFrame*> groups = view.widget()->findChildren<QFrame*>("filterSlot");
  QCOMPARE(groups.size(), 2);
  QCOMPARE(groups[0]->findChild<QLabel*>("name")->text(), rack.slots()[0]->name());
  QCOMPARE(groups[1]->findChild<QLabel*>("name")->text(), rack.slots()[1]->name());

  for (std::size_t index = 0; index < 2; ++index) {
    FilterSlot& slot = *rack.slots()[index];
    QFrame* group = groups[int(index)];
    QPushButton* on = group->findChild<QPushButton*>();
    QCOMPARE(on->text(), QString("On"));
    QVERIFY(!on->isChecked());
    // The face beside the text: dark while off, lit amber like every other toggle when on.
    auto face = [on] { return on->grab().toImage().pixelColor(3, on->height() / 2); };
    QVERIFY(face().lightness() < 80);
    QTest::mouseClick(on, Qt::LeftButton);
    QVERIFY(slot.isOn());
    QVERIFY2(face().red() > 200 && face().green() > 120 && face().blue() < 80, qPrintable(face().name()));
    slot.toggle(0);
    QVERIFY(!on->isChecked());

    QSlider* first = group->findChildren<QSlider*>().value(0);
    QVERIFY(first != nullptr);
    const bool mufflex = slot.name() == "Mufflex";
    QCOMPARE(first->maximum(), mufflex ? 20000 : 20);
    QCOMPARE(first->value(), mufflex ? 20000 : 20);
    first->setValue(mufflex ? 1000 : 5);
    const std::uint32_t attribute = mufflex ? GM_FILTER_FREQUENCY : GM_PHASER_DELAY;
    QCOMPARE(slot.plugin().integerAttribute(attribute), std::optional<std::int32_t>(mufflex ? 1000 : 5));
    QStringList texts;
    for (QLabel* label : group->findChildren<QLabel*>()) texts << label->text();
    QVERIFY2(texts.contains(mufflex ? "1000 Hz" : "5 ms"), qPrintable(texts.join('|')));

    // The analog event asks the plug-in, which moves the slider through the host.
    slot.plugin().invokeEvent(attribute, 0);
    QCOMPARE(first->value(), mufflex ? 20 : 0);
    QCOMPARE(slot.plugin().integerAttribute(attribute), std::optional<std::int32_t>(mufflex ? 20 : 0));
  }
}

void FilterRackViewTest::formatsAreFilledWithoutPrintf() {
  QCOMPARE(PanelBuilder::formatValue("%ld Hz", 440), QString("440 Hz"));
  QCOMPARE(PanelBuilder::formatValue(nullptr, -3), QString("-3"));
  QCOMPARE(PanelBuilder::formatValue("%s%n %ld%% %ld", 7), QString("%s%n 7% %ld"));
}

QTEST_MAIN(FilterRackViewTest)
#include "FilterRackViewTest.moc"
