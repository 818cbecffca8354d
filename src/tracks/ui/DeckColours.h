#pragma once
// The colours the DJ chose for the deck views (waveform and navigator), read once from the settings
// each time one of them changes and handed to the views, which keep their own copy: painting never
// looks a setting up. A text that is not a colour leaves that colour at its default.

#include <QRgb>
#include <QString>

namespace gm {

class Settings;

struct DeckColours {
  QRgb text;
  QRgb background;
  QRgb playhead;
  QRgb mainBeat;
  QRgb beat;
  QRgb waveform;
  QRgb played;
  QRgb loop;

  // The palette the views were designed with (and the settings' defaults).
  static DeckColours defaults();
  static DeckColours fromSettings(const Settings& settings);
  // [main-thread] Defines the eight colour settings ("#rrggbb") with the defaults' values.
  static void defineSettings(Settings& settings);
  static bool isColourSetting(const QString& id);

  bool operator==(const DeckColours&) const = default;
};

}  // namespace gm
