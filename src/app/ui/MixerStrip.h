#pragma once
// The mixer strip between the two deck panels, laid out like a club mixer: per deck a channel of
// GAIN, HI/MID/LOW with their kill switches, PAN, a tall volume fader and MUTE; between the
// channels the master level meter and the headphone section (CUE A/B, phones mix and cue level);
// the cross-fader across the bottom. Every control mirrors a model of the application or of a
// deck's mixer channel, so the command port and mapped events move the same controls.

#include <cstdint>
#include <vector>

#include <QFrame>
#include <QString>

class QProgressBar;
class QPushButton;

namespace gm {

class Application;
class BoundedValue;
class Knob;

// The knobs' mouse sensitivity: pixels of travel for a knob's whole range.
inline const QString kKnobSensitivitySettingId = QStringLiteral("KSTV");
inline constexpr int kDefaultKnobSensitivityPixels = 128;

class MixerStrip : public QFrame {
  Q_OBJECT
 public:
  explicit MixerStrip(Application& app, QWidget* parent = nullptr);

  // The knobs of the strip, for applying settings to all of them.
  const std::vector<Knob*>& knobs() const { return knobs_; }

 private:
  QWidget* buildChannel(int deck);
  QWidget* buildCentre();
  QWidget* buildCrossFader();
  Knob* makeKnob(BoundedValue& model, const QString& caption, const QString& name, std::uint32_t colourRgb,
                 QWidget* parent);
  QPushButton* makeToggle(BoundedValue& model, const QString& text, const QString& name, const char* role,
                          QWidget* parent);
  void applyKnobSensitivity();
  void showLevel(int level, int maximum);

  Application& app_;
  std::vector<Knob*> knobs_;
  QProgressBar* meter_ = nullptr;
};

}  // namespace gm
