#include "tracks/ui/DeckColours.h"

#include <QColor>

#include "core/Settings.h"
#include "tracks/ui/DeckPalette.h"

namespace gm {
namespace {

struct ColourSetting {
  const QString& id;
  QRgb DeckColours::*field;
};

const ColourSetting kColourSettings[] = {
    {SettingId::kTextColour, &DeckColours::text},         {SettingId::kBackgroundColour, &DeckColours::background},
    {SettingId::kPlayheadColour, &DeckColours::playhead}, {SettingId::kMainBeatColour, &DeckColours::mainBeat},
    {SettingId::kBeatColour, &DeckColours::beat},         {SettingId::kWaveformColour, &DeckColours::waveform},
    {SettingId::kPlayedColour, &DeckColours::played},     {SettingId::kLoopColour, &DeckColours::loop},
};

}  // namespace

DeckColours DeckColours::defaults() {
  return {deck_palette::kText,     deck_palette::kBackground, deck_palette::kPlayhead,       deck_palette::kMainBeat,
          deck_palette::kBeat,     deck_palette::kWaveform,   deck_palette::kWaveformPlayed, deck_palette::kLoop};
}

DeckColours DeckColours::fromSettings(const Settings& settings) {
  DeckColours colours = defaults();
  for (const ColourSetting& setting : kColourSettings) {
    const QColor colour = QColor::fromString(settings.text(setting.id));
    // Opaque always: the views draw back to front without blending.
    if (colour.isValid()) colours.*setting.field = colour.rgb() | 0xFF000000u;
  }
  return colours;
}

void DeckColours::defineSettings(Settings& settings) {
  const DeckColours initial = defaults();
  for (const ColourSetting& setting : kColourSettings) settings.defineColour(setting.id, QColor(initial.*setting.field).name());
}

bool DeckColours::isColourSetting(const QString& id) {
  for (const ColourSetting& setting : kColourSettings) {
    if (setting.id == id) return true;
  }
  return false;
}

}  // namespace gm
