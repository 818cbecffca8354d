#pragma once
// The live values of every kept setting, keyed by four-character ids ('AHIS', 'WARN', ...). Owners
// define their settings with a default; the settings window edits the values in place and the store
// saves and loads them in two tiers.

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <utility>

namespace gm {

namespace SettingId {
inline const QString kSpeakers = QStringLiteral("AHIS");
inline const QString kHeadphones = QStringLiteral("AHIL");
inline const QString kNoSharedUnitWarning = QStringLiteral("WARN");
inline const QString kPitchRange = QStringLiteral("PTXR");
inline const QString kBpmLowerLimit = QStringLiteral("BPML");
inline const QString kBpmUpperLimit = QStringLiteral("BPMU");
inline const QString kBendStrength = QStringLiteral("PTXA");  // pitch units a bend or jog detent moves
// The equaliser bands: frequency in Hz, resonance (Q × 1000 in the decks), gain limits in dB.
inline const QString kHighFrequency = QStringLiteral("FRQH");
inline const QString kHighResonance = QStringLiteral("QFAH");
inline const QString kHighLowerLimit = QStringLiteral("LBHI");
inline const QString kHighUpperLimit = QStringLiteral("UBHI");
inline const QString kMidFrequency = QStringLiteral("FRQM");
inline const QString kMidResonance = QStringLiteral("QFAM");
inline const QString kMidLowerLimit = QStringLiteral("LBMI");
inline const QString kMidUpperLimit = QStringLiteral("UBMI");
inline const QString kLowFrequency = QStringLiteral("FRQL");
inline const QString kLowResonance = QStringLiteral("QFAL");
inline const QString kLowLowerLimit = QStringLiteral("LBLO");
inline const QString kLowUpperLimit = QStringLiteral("UBLO");
// User interface.
inline const QString kFullScreen = QStringLiteral("FULL");
inline const QString kNoSplash = QStringLiteral("SPLA");
inline const QString kOpenGl = QStringLiteral("TYGL");
// The deck views' colours, as "#rrggbb" texts.
inline const QString kTextColour = QStringLiteral("COLA");
inline const QString kBackgroundColour = QStringLiteral("COLB");
inline const QString kPlayheadColour = QStringLiteral("COLC");
inline const QString kMainBeatColour = QStringLiteral("COLD");
inline const QString kBeatColour = QStringLiteral("COLE");
inline const QString kWaveformColour = QStringLiteral("COLF");
inline const QString kPlayedColour = QStringLiteral("COLL");
inline const QString kLoopColour = QStringLiteral("COLK");
// Start-up notes: the history note's "Do not bother me again!" and the version-check server's host
// (empty: the program never asks).
inline const QString kNoHistoryNote = QStringLiteral("HNOT");
inline const QString kVersionServer = QStringLiteral("VCHK");
}  // namespace SettingId

class Settings : public QObject {
  Q_OBJECT
 public:
  // What became of a value handed to setValue.
  enum class Outcome { Taken, Clamped, Refused };

  explicit Settings(QObject* parent = nullptr);

  // [main-thread] Declares a setting; its type is the default's type (int, bool or text).
  void define(const QString& id, const QVariant& defaultValue);
  // [main-thread] Declares an integer setting kept within minimum..maximum: whatever is set or
  // loaded (a hand-edited or damaged file included) is clamped into the range before anyone reads it.
  void defineRange(const QString& id, int defaultValue, int minimum, int maximum);
  // [main-thread] Declares a colour setting: a "#rrggbb" text; anything else is refused.
  void defineColour(const QString& id, const QString& defaultColour);
  // [main-thread] Limits a defined setting to a chooser's entries: any other value is refused, so a
  // damaged copy cannot select an entry the chooser does not have.
  void restrictToChoices(const QString& id, const QVariantList& entries);
  bool isDefined(const QString& id) const { return defaults_.contains(id); }
  QVariant defaultValue(const QString& id) const { return defaults_.value(id); }
  // The minimum and maximum of a ranged setting; nullopt for any other.
  std::optional<std::pair<int, int>> range(const QString& id) const;
  QStringList ids() const { return defaults_.keys(); }

  QVariant value(const QString& id) const;
  QString text(const QString& id) const { return value(id).toString(); }
  int integer(const QString& id) const { return value(id).toInt(); }
  bool flag(const QString& id) const { return value(id).toBool(); }

  // [main-thread] Converts to the setting's type, clamps a ranged setting, and notifies when the
  // value changes. Undefined ids, values that do not convert strictly (a number with trailing text,
  // a flag other than true/false/1/0), bad colours and unknown chooser entries are refused and leave
  // the value as it was.
  Outcome setValue(const QString& id, const QVariant& value);
  void resetToDefaults();

 Q_SIGNALS:
  void changed(const QString& id);

 private:
  std::optional<QVariant> converted(const QString& id, const QVariant& value) const;

  QMap<QString, QVariant> defaults_;
  QMap<QString, QVariant> values_;
  QMap<QString, std::pair<int, int>> ranges_;
  QMap<QString, QVariantList> choices_;
  QStringList colourIds_;
};

}  // namespace gm
