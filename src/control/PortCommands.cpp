#include "control/PortCommands.h"

#include <algorithm>
#include <optional>
#include <span>
#include <utility>

#include "control/AsciiText.h"

namespace gm {
namespace {

using Arguments = CommandTable::Arguments;
using Keyword = std::pair<const char*, int>;
using Keywords = std::span<const Keyword>;
using Action = RemoteActionTarget::Action;

constexpr int kNoKeyword = -1000;

constexpr Keyword kKnobs[] = {{"HI", 0}, {"MID", 1}, {"LOW", 2}, {"GAIN", 3}, {"BALANCE", 4}};
constexpr Keyword kBands[] = {{"HI", 0}, {"MID", 1}, {"LOW", 2}};
constexpr Keyword kKnobSteps[] = {{"UP", 256}, {"DOWN", 257}, {"RESET", 258}};
constexpr Keyword kVolumeSteps[] = {{"UP", -1}, {"DOWN", -2}};
constexpr Keyword kKillStates[] = {{"ON", 1}, {"OFF", 0}, {"TOGGLE", 2}};
constexpr Keyword kMuteStates[] = {{"OFF", 1}, {"ON", 0}, {"TOGGLE", 2}};
constexpr Keyword kDecks[] = {{"DECKA", 0}, {"DECKB", 1}};
constexpr Keyword kDisplays[] = {{"HI", 1}, {"MID", 2}, {"LOW", 3}, {"WAVE", 4}, {"NEXT", 5}, {"PREVIOUS", 6}};

int keywordCode(QByteArrayView word, Keywords keywords) {
  int code = kNoKeyword;
  for (const auto& [keyword, value] : keywords) {
    if (AsciiText::equalsIgnoringCase(word, keyword)) code = value;
  }
  return code;
}

// A controller byte: an optional sign and digits, read as far as they go (at least one digit),
// clamped to 0..255. None when the word does not start as a number.
std::optional<int> controllerByte(QByteArrayView word) {
  qsizetype i = 0;
  const bool negative = !word.isEmpty() && word[0] == '-';
  if (!word.isEmpty() && (word[0] == '-' || word[0] == '+')) ++i;
  const qsizetype firstDigit = i;
  int value = 0;
  for (; i < word.size() && word[i] >= '0' && word[i] <= '9'; ++i) value = std::min(value * 10 + (word[i] - '0'), 256);
  if (i == firstDigit) return std::nullopt;
  return negative ? 0 : std::min(value, 255);
}

CommandReply nothingDone(const char* why) { return CommandReply::error(CommandReply::kNothingDone, why); }

CommandReply perform(RemoteActionTarget& target, int action, int value = 0, int second = 0) {
  return target.remoteAction(action, value, second) ? CommandReply::done() : nothingDone("ignored by the deck");
}

// A command with one keyword argument that becomes the action's value.
CommandTable::Handler keywordCommand(RemoteActionTarget& target, Action action, Keywords keywords) {
  return [&target, action, keywords](const Arguments& args) {
    const int value = keywordCode(args[0].text, keywords);
    return value == kNoKeyword ? nothingDone("not a keyword of this command") : perform(target, action, value);
  };
}

// A command without arguments.
CommandTable::Handler plainCommand(RemoteActionTarget& target, Action action) {
  return [&target, action](const Arguments&) { return perform(target, action); };
}

// A command whose number is passed as it is; without one it must not act.
CommandTable::Handler numberCommand(RemoteActionTarget& target, Action action) {
  return [&target, action](const Arguments& args) {
    if (!args[0].given) return CommandReply::error(CommandReply::kBadArgument, "missing VALUE");
    return perform(target, action, args[0].number);
  };
}

CommandReply setGain(RemoteActionTarget& target, const Arguments& args) {
  const int knob = keywordCode(args[0].text, kKnobs);
  const std::optional<int> byte = controllerByte(args[1].text);
  const int value = byte ? *byte : keywordCode(args[1].text, kKnobSteps);
  if (knob == kNoKeyword || value == kNoKeyword) return nothingDone("not a keyword of SETGAIN");
  return perform(target, Action::kSetKnob, knob, value);
}

CommandReply cutGain(RemoteActionTarget& target, const Arguments& args) {
  const int band = keywordCode(args[0].text, kBands);
  const int state = keywordCode(args[1].text, kKillStates);
  if (band == kNoKeyword || state == kNoKeyword) return nothingDone("not a keyword of CUTGAIN");
  return perform(target, Action::kSetKill, band, state);
}

CommandReply setVolume(RemoteActionTarget& target, const Arguments& args) {
  int value = keywordCode(args[0].text, kVolumeSteps);
  if (value == kNoKeyword) {
    const std::optional<int> byte = controllerByte(args[0].text);
    if (!byte) return nothingDone("not a keyword or number of SETVOL");
    value = *byte;
  }
  return perform(target, Action::kSetVolume, value);
}

}  // namespace

void PortCommands::addTo(CommandTable& table, RemoteActionTarget& target) {
  auto with = [&target](CommandReply (*handler)(RemoteActionTarget&, const Arguments&)) {
    return [&target, handler](const Arguments& args) { return handler(target, args); };
  };
  const auto noOperation = [](const Arguments&) { return nothingDone("not supported"); };
  table.add("USE", "DECK/A", keywordCommand(target, Action::kUse, kDecks));
  table.add("SETGAIN", "KNOB/A,UPDOWN/A", with(setGain));
  table.add("CUTGAIN", "KNOB/A,STATE/A", with(cutGain));
  table.add("SETVOL", "VOLUME/A", with(setVolume));
  table.add("MUTE", "STATE/A", keywordCommand(target, Action::kSetMute, kMuteStates));
  table.add("PLAY", "", plainCommand(target, Action::kPlay));
  table.add("PAUSE", "", plainCommand(target, Action::kPause));
  table.add("REWIND", "", plainCommand(target, Action::kRewind));
  table.add("TOGGLEPLAY", "", plainCommand(target, Action::kTogglePlay));
  table.add("REVERSE", "STATE/A", keywordCommand(target, Action::kReverse, kKillStates));
  table.add("SAMPLESEEK", "VALUE/N", numberCommand(target, Action::kSeek));
  table.add("SETCUE", "", plainCommand(target, Action::kSetCue));
  table.add("CUE", "", plainCommand(target, Action::kJumpToCue));
  table.add("BPM", "VALUE/N", numberCommand(target, Action::kSetBpm));
  table.add("SYNC", "", plainCommand(target, Action::kSync));
  table.add("DISPLAY", "VALUE/A", keywordCommand(target, Action::kBandDisplay, kDisplays));
  table.add("PITCHINCREASE", "VALUE/A", noOperation);
  table.add("PITCHDECREASE", "VALUE/A", noOperation);
  table.add("SETPITCH", "VALUE/A", noOperation);
}

}  // namespace gm
