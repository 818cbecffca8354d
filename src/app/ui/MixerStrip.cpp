#include "app/ui/MixerStrip.h"

#include <algorithm>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "app/Application.h"
#include "core/CatalogTable.h"
#include "app/MixerChannel.h"
#include "widgets/ConsoleStyle.h"
#include "widgets/ValueBinding.h"
#include "widgets/GainSlider.h"
#include "widgets/Knob.h"

namespace gm {
namespace {

constexpr int kKnobSizeIndex = 1;  // 32 pixels: five rows of knobs above a tall fader
// Short enough that the whole console fits under the waveforms on a 1280 x 720 screen; the fader
// takes every pixel the window gives the strip beyond that.
constexpr int kFaderMinHeight = 110;
constexpr int kMeterWidth = 14;
constexpr int kMeterScale = 1000;

constexpr std::uint32_t kGainKnobRgb = 0xC8C8D0;
constexpr std::uint32_t kBandKnobRgb = 0xE66800;
constexpr std::uint32_t kPanKnobRgb = 0x3A8FD0;
constexpr std::uint32_t kPhonesKnobRgb = 0x28B8E8;

// The strip's own look on top of the console's shared keys.
const char* const kStripRules = R"(
MixerStrip { background: #202024; }
QPushButton { padding: 2px 4px; font-size: 8pt; font-weight: bold; }
QPushButton[role="kill"] { min-width: 16px; max-width: 20px; color: #c07070; }
QPushButton[role="kill"]:checked { background: #e02828; color: white; border-color: #ff8080; }
QPushButton[role="mute"]:checked { background: #d04040; color: white; border-color: #ff9090; }
QLabel[role="caption"] { color: #8a8a94; font-size: 7pt; font-weight: bold; }
QLabel[role="channel"] { color: #e0e0e0; font-size: 11pt; font-weight: bold; }
QSlider#crossFader::groove:horizontal { height: 6px; background: #101012; border: 1px solid #4a4a52;
                                        border-radius: 3px; }
QSlider#crossFader::handle:horizontal { width: 16px; margin: -9px 0; border-radius: 2px; border: 1px solid #9a9aa4;
    background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #8a8a92, stop:0.45 #e8e8ee, stop:0.55 #303036,
                                stop:0.6 #d0d0d6, stop:1 #8a8a92); }
QSlider#crossFader::handle:horizontal:disabled { background: #4a4a50; }
)";

// The master level as a column of lamps: green for the body of the signal, amber near the top of
// the scale and red at it, unlit lamps faintly visible so the scale reads even in silence.
class LampMeter final : public QProgressBar {
 public:
  using QProgressBar::QProgressBar;

 protected:
  void paintEvent(QPaintEvent*) override {
    constexpr int kLampPixels = 3;
    constexpr int kGapPixels = 1;
    QPainter painter(this);
    painter.fillRect(rect(), QColor(12, 12, 14));
    const int inner = height() - 2;
    const int lamps = std::max(1, (inner + kGapPixels) / (kLampPixels + kGapPixels));
    const double span = double(maximum()) - minimum();
    const double fraction = span > 0 ? (value() - minimum()) / span : 0.0;
    const int lit = int(fraction * lamps + 0.5);
    for (int i = 0; i < lamps; ++i) {
      const double position = double(i) / lamps;
      QColor colour = position < 0.7 ? QColor(54, 208, 88) : position < 0.9 ? QColor(255, 176, 32) : QColor(255, 48, 48);
      if (i >= lit) colour = colour.darker(560);
      const int y = height() - 1 - (i + 1) * (kLampPixels + kGapPixels) + kGapPixels;
      painter.fillRect(QRect(1, y, width() - 2, kLampPixels), colour);
    }
  }
};

QLabel* caption(const QString& text, const char* role, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setProperty("role", role);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

}  // namespace

MixerStrip::MixerStrip(Application& app, QWidget* parent) : QFrame(parent), app_(app) {
  setObjectName("mixerStrip");
  setFrameShape(QFrame::StyledPanel);
  setStyleSheet(console_style::buttonSheet(kStripRules));
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(4);
  grid->addWidget(buildChannel(Application::kDeckA), 0, 0);
  grid->addWidget(buildCentre(), 0, 1);
  grid->addWidget(buildChannel(Application::kDeckB), 0, 2);
  grid->addWidget(buildCrossFader(), 1, 0, 1, 3);
  grid->setColumnStretch(1, 1);

  Settings& settings = app_.settings();
  if (!settings.isDefined(kKnobSensitivitySettingId)) {
    settings.define(kKnobSensitivitySettingId, kDefaultKnobSensitivityPixels);
  }
  applyKnobSensitivity();
  connect(&settings, &Settings::changed, this, [this](const QString& id) {
    if (id == kKnobSensitivitySettingId) applyKnobSensitivity();
  });
  connect(&app_, &Application::levelChanged, this, &MixerStrip::showLevel);
}

// One deck's channel: the knobs top to bottom in the order the signal meets them, each band's kill
// beside its knob, then the fader and MUTE.
QWidget* MixerStrip::buildChannel(int deck) {
  MixerChannel& channel = app_.mixerChannel(deck);
  const QString prefix = deck == Application::kDeckA ? "mixerA." : "mixerB.";
  auto* column = new QWidget(this);
  auto* grid = new QGridLayout(column);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(3);
  grid->setVerticalSpacing(2);
  grid->addWidget(caption(deck == Application::kDeckA ? "A" : "B", "channel", column), 0, 0, 1, 2);
  grid->addWidget(makeKnob(channel.gain(), msg(Msg::GainCaption), prefix + "gain", kGainKnobRgb, column), 1, 0, Qt::AlignHCenter);
  struct BandRow {
    MixerChannel::Band band;
    Msg caption;
    const char* name;
    Msg help;
  };
  const BandRow rows[] = {{MixerChannel::kHighBand, Msg::HiCaption, "hi", Msg::KillHighHelp},
                          {MixerChannel::kMidBand, Msg::MidCaption, "mid", Msg::KillMidHelp},
                          {MixerChannel::kLowBand, Msg::LowCaption, "low", Msg::KillLowHelp}};
  int row = 2;
  for (const BandRow& band : rows) {
    grid->addWidget(makeKnob(channel.band(band.band), msg(band.caption), prefix + band.name, kBandKnobRgb, column), row, 0,
                    Qt::AlignHCenter);
    QPushButton* kill = makeToggle(channel.kill(band.band), msg(Msg::KillButton), prefix + band.name + "Kill", "kill", column);
    kill->setToolTip(msg(band.help));
    grid->addWidget(kill, row++, 1, Qt::AlignVCenter);
  }
  grid->addWidget(makeKnob(channel.balance(), msg(Msg::PanCaption), prefix + "balance", kPanKnobRgb, column), row++, 0,
                  Qt::AlignHCenter);
  auto* fader = new GainSlider(channel.volume(), Qt::Vertical, column);
  fader->setObjectName(prefix + "volume");
  fader->setMinimumHeight(kFaderMinHeight);
  grid->addWidget(fader, row++, 0, 1, 2, Qt::AlignHCenter);
  grid->setRowStretch(row - 1, 1);
  QPushButton* mute = makeToggle(channel.mute(), msg(Msg::MuteButton), prefix + "mute", "mute", column);
  mute->setToolTip(msg(Msg::MuteHelp));
  grid->addWidget(mute, row, 0, 1, 2);
  return column;
}

// Between the channels: the master meter above the headphone section.
QWidget* MixerStrip::buildCentre() {
  auto* centre = new QWidget(this);
  auto* column = new QVBoxLayout(centre);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(3);
  column->addWidget(caption(msg(Msg::MasterLevelLabel).toUpper(), "caption", centre));
  meter_ = new LampMeter(centre);
  meter_->setObjectName("masterMeter");
  meter_->setOrientation(Qt::Vertical);
  meter_->setTextVisible(false);
  meter_->setRange(0, kMeterScale);
  meter_->setValue(0);
  meter_->setFixedWidth(kMeterWidth);
  meter_->setMinimumHeight(120);
  column->addWidget(meter_, 1, Qt::AlignHCenter);

  column->addWidget(caption(msg(Msg::PhonesCaption), "caption", centre));
  auto* cues = new QHBoxLayout;
  cues->setSpacing(3);
  for (int deck : {Application::kDeckA, Application::kDeckB}) {
    const bool deckA = deck == Application::kDeckA;
    QPushButton* cue = makeToggle(app_.cueButton(deck), msg(Msg::CueButton) + (deckA ? " A" : " B"),
                                  deckA ? "cueA" : "cueB", "cue", centre);
    cue->setToolTip(msg(deckA ? Msg::CueAHelp : Msg::CueBHelp));
    cues->addWidget(cue);
  }
  column->addLayout(cues);
  auto* levels = new QGridLayout;
  levels->setHorizontalSpacing(6);  // the two captions never run into each other
  levels->setVerticalSpacing(1);
  levels->addWidget(makeKnob(app_.headphoneMasterLevel(), {}, "headphoneMasterLevel", kPhonesKnobRgb, centre), 0, 0,
                    Qt::AlignHCenter);
  levels->addWidget(makeKnob(app_.headphoneCueLevel(), {}, "headphoneCueLevel", kPhonesKnobRgb, centre), 0, 1,
                    Qt::AlignHCenter);
  for (Msg text : {Msg::HeadphoneMasterLevel, Msg::HeadphoneCueLevel}) {
    QLabel* label = caption(msg(text), "caption", centre);
    label->setWordWrap(true);  // two short lines when the strip is narrow
    levels->addWidget(label, 1, text == Msg::HeadphoneMasterLevel ? 0 : 1);
  }
  column->addLayout(levels);
  return centre;
}

QWidget* MixerStrip::buildCrossFader() {
  auto* box = new QWidget(this);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 4, 0, 0);
  row->setSpacing(6);
  auto* slider = new QSlider(Qt::Horizontal, box);
  slider->setObjectName("crossFader");
  slider->setToolTip(msg(Msg::CrossFaderLabel));
  slider->setMinimumHeight(24);
  ValueBinding::bind(*slider, app_.crossFader());
  row->addWidget(caption("A", "channel", box));
  row->addWidget(slider, 1);
  row->addWidget(caption("B", "channel", box));
  return box;
}

Knob* MixerStrip::makeKnob(BoundedValue& model, const QString& caption, const QString& name, std::uint32_t colourRgb,
                           QWidget* parent) {
  auto* knob = new Knob(model, caption, parent);
  knob->setObjectName(name);
  knob->setSizeIndex(kKnobSizeIndex);
  knob->setColourRgb(colourRgb);
  knobs_.push_back(knob);
  return knob;
}

QPushButton* MixerStrip::makeToggle(BoundedValue& model, const QString& text, const QString& name, const char* role,
                                    QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setProperty("role", role);
  button->setFocusPolicy(Qt::NoFocus);  // keys belong to the mapped shortcuts, not to a button
  ValueBinding::bind(*button, model);
  return button;
}

void MixerStrip::applyKnobSensitivity() {
  const int pixels = app_.settings().integer(kKnobSensitivitySettingId);
  for (Knob* knob : knobs_) knob->setSensitivityPixels(pixels);
}

void MixerStrip::showLevel(int level, int maximum) {
  // The meter's scale is the loudest block heard so far.
  meter_->setValue(maximum > 0 ? int(std::int64_t(kMeterScale) * level / maximum) : 0);
}

}  // namespace gm
