#pragma once
// What the command port's deck commands drive: the application's remote action, applied to the
// deck selected last with USE (the current deck), its mixer channel or its control panel.

namespace gm {

class RemoteActionTarget {
 public:
  // Action codes with their value and second value.
  enum Action : int {
    kUse = 0,         // deck index 0 or 1
    kSetKnob = 1,     // knob code 0..4, value 0..255 or 256 up, 257 down, 258 centre
    kSetKill = 2,     // band 0..2, state 1 on, 0 off, 2 flip
    kSetVolume = 3,   // 0..255, or -1 up, -2 down
    kSetMute = 4,     // 0 mutes, 1 unmutes, 2 flips
    kPlay = 6,
    kPause = 7,
    kRewind = 8,
    kSetCue = 9,
    kJumpToCue = 11,
    kSetBpm = 12,     // hundredths of BPM, 6000..24000
    kSync = 14,
    kBandDisplay = 15,  // display code 1..6
    kReverse = 16,      // 1 on, 0 off, 2 flip
    kTogglePlay = 17,
    kSeek = 18,         // frame
  };

  // [main-thread] Performs the action; false when it did nothing (an unknown code, or the deck or
  // panel ignored the value: no track to play, a tempo out of range, a sync out of reach).
  virtual bool remoteAction(int action, int value, int second) = 0;

 protected:
  ~RemoteActionTarget() = default;
};

}  // namespace gm
