#include "app/SettingsLayout.h"

#include "app/MixerChannel.h"
#include "app/ui/MixerStrip.h"
#include "core/Settings.h"
#include "library/MediaPanel.h"
#include "library/Playlist.h"
#include "recorder/Recorder.h"
#include "recorder/RecordingLimit.h"
#include "tracks/BandDisplay.h"
#include "tracks/WaveformCache.h"

namespace gm {
namespace {

using Kind = SettingRow::Kind;
using Content = SettingsPageLayout::Content;
constexpr Msg kNone = Msg::Count;

SettingsSection equaliserBand(Msg title, const QString& frequency, const QString& resonance, const QString& lower,
                              const QString& upper) {
  return {title,
          {{frequency, Msg::FrequencyLabel, Kind::LogSlider, Msg::HzFormat},
           {resonance, Msg::ResonanceLabel, Kind::Slider},
           {lower, Msg::LowerGainLimitLabel, Kind::Slider, Msg::DbFormat},
           {upper, Msg::UpperGainLimitLabel, Kind::Slider, Msg::DbFormat}}};
}

SettingsSection playlistColumns() {
  // Listed as the playlist's header used to be: title, artist, BPM, rating, album, time.
  const std::pair<int, Msg> columns[] = {{Playlist::kTitle, Msg::PlaylistTitleColumn},   {Playlist::kArtist, Msg::PlaylistArtistColumn},
                                         {Playlist::kBpm, Msg::PlaylistBpmColumn},       {Playlist::kRating, Msg::PlaylistRatingColumn},
                                         {Playlist::kAlbum, Msg::PlaylistAlbumColumn},   {Playlist::kTime, Msg::PlaylistTimeColumn}};
  SettingsSection section{Msg::GroupDisplayColumns, {}};
  for (const auto& [column, title] : columns) section.rows.push_back({MediaPanel::columnSetting(column), title, Kind::Check});
  return section;
}

std::vector<SettingsPageLayout> buildPages() {
  return {
      {Msg::PageAudioOutputs, Content::AudioOutputs,
       {{kNone, {{SettingId::kSpeakers, Msg::SpeakersLabel, Kind::Chooser},
                 {SettingId::kHeadphones, Msg::HeadphonesLabel, Kind::Chooser}}}}},
      {Msg::PageAutoGain, Content::Rows,
       {{kNone, {{kAutoGainSettingId, Msg::AutoGainLabel, Kind::Radio, kNone,
                  {{Msg::AutoGainKeep, 0}, {Msg::AutoGain0Db, 1}, {Msg::AutoGain3Db, 2}, {Msg::AutoGain6Db, 3}}}}}}},
      {Msg::PageEqualizer, Content::Rows,
       {equaliserBand(Msg::GroupHiBand, SettingId::kHighFrequency, SettingId::kHighResonance, SettingId::kHighLowerLimit,
                      SettingId::kHighUpperLimit),
        equaliserBand(Msg::GroupMidBand, SettingId::kMidFrequency, SettingId::kMidResonance, SettingId::kMidLowerLimit,
                      SettingId::kMidUpperLimit),
        equaliserBand(Msg::GroupLowBand, SettingId::kLowFrequency, SettingId::kLowResonance, SettingId::kLowLowerLimit,
                      SettingId::kLowUpperLimit)}},
      {Msg::PageBeatDetectors, Content::BeatDetectors},
      {Msg::PageFilters, Content::Filters},
      {Msg::PageDefaultPaths, Content::Rows,
       {{kNone, {{MediaPanel::kPlaylistPathSetting, Msg::PlaylistPathLabel, Kind::Path},
                 {MediaPanel::kMediaPathSetting, Msg::MediaPathLabel, Kind::Path},
                 {MediaPanel::kAutoLoadSetting, Msg::AutoLoadLabel, Kind::Check}}}}},
      {Msg::PageRecording, Content::Rows,
       {{kNone, {{kRecordingDirectorySettingId, Msg::RecordingPathLabel, Kind::Path},
                 {kRecordingPrefixSettingId, Msg::RecordingFileLabel, Kind::Text},
                 {kRecordingLimitSettingId, Msg::RecordingSizeLabel, Kind::Chooser, kNone,
                  {{Msg::Size650MB, int(RecordingLimit::k650MiB)}, {Msg::Size1GB, int(RecordingLimit::k1GiB)},
                   {Msg::SizeMaximum, int(RecordingLimit::kFileSystemMaximum)}}}}}}},
      {Msg::PageUserInterface, Content::Rows,
       {{kNone, {{SettingId::kFullScreen, Msg::FullScreenLabel, Kind::Check},
                 {SettingId::kNoSplash, Msg::NoSplashLabel, Kind::Check},
                 {SettingId::kNoHistoryNote, Msg::NoHistoryNoteLabel, Kind::Check},
                 {SettingId::kNoSharedUnitWarning, Msg::SharedUnitCheckLabel, Kind::Check},
                 {kKnobSensitivitySettingId, Msg::MouseSensitivityLabel, Kind::Slider},
                 {SettingId::kOpenGl, Msg::OpenGlLabel, Kind::Check, kNone, {}, Msg::SettingOpenGlHelp},
                 {kColourWaveformSettingId, Msg::ColourWaveformLabel, Kind::Check},
                 {SettingId::kVersionServer, Msg::VersionServerLabel, Kind::Text, kNone, {}, Msg::VersionServerHelp}}},
        {Msg::GroupDeckColours, {{SettingId::kTextColour, Msg::ColourTextLabel, Kind::Colour},
                                 {SettingId::kBackgroundColour, Msg::ColourBackgroundLabel, Kind::Colour},
                                 {SettingId::kPlayheadColour, Msg::ColourPlayheadLabel, Kind::Colour},
                                 {SettingId::kMainBeatColour, Msg::ColourMainBeatLabel, Kind::Colour},
                                 {SettingId::kBeatColour, Msg::ColourBeatLabel, Kind::Colour},
                                 {SettingId::kWaveformColour, Msg::ColourWaveformFieldLabel, Kind::Colour},
                                 {SettingId::kPlayedColour, Msg::ColourPlayedLabel, Kind::Colour},
                                 {SettingId::kLoopColour, Msg::ColourLoopLabel, Kind::Colour}}}}},
      {Msg::PagePlaylistColumns, Content::Rows, {playlistColumns()}},
      {Msg::PageCache, Content::Rows,
       {{kNone, {{kWaveformCacheOnSettingId, Msg::CacheOnLabel, Kind::Check},
                 {kWaveformCacheDirectorySettingId, Msg::CacheDirectoryLabel, Kind::Path}}}}},
      {Msg::PageBpmFinder, Content::Rows,
       {{kNone, {{SettingId::kBpmLowerLimit, Msg::BpmLowerLabel, Kind::Slider},
                 {SettingId::kBpmUpperLimit, Msg::BpmUpperLabel, Kind::Slider}}}}},
      {Msg::PagePitch, Content::Rows,
       {{Msg::GroupBpmSliderRange, {{SettingId::kPitchRange, Msg::PitchRangeLabel, Kind::Slider}}},
        {kNone, {{SettingId::kBendStrength, Msg::BendStrengthLabel, Kind::Slider}}}}},
  };
}

QString withoutDecoration(QString label) {
  label = label.trimmed();
  if (label.endsWith(':')) label.chop(1);
  if (label.size() >= 2 && label.startsWith('"') && label.endsWith('"')) label = label.mid(1, label.size() - 2);
  if (label.endsWith(':')) label.chop(1);
  return label;
}

// Calls visit(section, row) for every row of every page, in page order.
template <typename Visit>
void forEachRow(const std::vector<SettingsPageLayout>& pages, Visit visit) {
  for (const SettingsPageLayout& page : pages) {
    for (const SettingsSection& section : page.sections) {
      for (const SettingRow& row : section.rows) visit(section, row);
    }
  }
}

}  // namespace

const std::vector<SettingsPageLayout>& settingsPages() {
  static const std::vector<SettingsPageLayout> pages = buildPages();
  return pages;
}

QString settingDisplayName(const QString& id) {
  QString name = id;
  int labelUses = 0;
  Msg label = kNone;
  forEachRow(settingsPages(), [&](const SettingsSection& section, const SettingRow& row) {
    if (row.id != id) return;
    label = row.label;
    name = withoutDecoration(msg(row.label));
    if (section.title != kNone) name.prepend(msg(section.title) + " ");
  });
  if (label == kNone) return id;
  forEachRow(settingsPages(), [&](const SettingsSection&, const SettingRow& row) { labelUses += row.label == label ? 1 : 0; });
  // The group's title only where the label alone is ambiguous ("Frequency" is in every band).
  return labelUses > 1 ? name : withoutDecoration(msg(label));
}

}  // namespace gm
