#pragma once
// Where the play position is between the deck's reports. The render reports a position once per
// engine block, and those reports reach the main thread only in the 25 ms tick, in bursts; a view
// redrawn at the display's rate extrapolates from them with the playback speed and a monotonic clock.
// Small disagreements with a new report are eased in, so the picture glides instead of stepping back
// and forth by a block each tick; large ones (a seek, a cue jump, a loop wrap the view did not
// foresee) are taken at once.

#include <chrono>
#include <cstdint>

namespace gm {

class PlayheadClock {
 public:
  using Clock = std::chrono::steady_clock;

  static constexpr double kFramesPerSecond = 44100.0;
  // A report further than this from the extrapolated position is a jump, not drift.
  static constexpr double kJumpFrames = 0.15 * kFramesPerSecond;
  // Share of a small disagreement taken per report.
  static constexpr double kEasing = 0.2;

  // [main-thread] A position the deck reported at `now`.
  void report(std::int32_t frame, Clock::time_point now);
  // [main-thread] Takes `frame` as it is, dropping any easing (seek, cue jump, new track).
  void jumpTo(std::int32_t frame, Clock::time_point now);
  // [main-thread] The deck started or stopped; a stopped clock stays at `frame`.
  void setRunning(bool running, std::int32_t frame, Clock::time_point now);
  // [main-thread] Playback speed as pitch / 10000.
  void setSpeed(double speed, Clock::time_point now);
  // [main-thread] The active loop (start == end: none), so the extrapolation wraps where playback does.
  void setLoop(std::int32_t startFrame, std::int32_t endFrame);
  // [main-thread] The track's length; positions stay inside 0 .. length.
  void setLength(std::int32_t frames);

  bool running() const { return running_; }
  // [main-thread] The position to draw at `now`, in frames (fractional).
  double positionAt(Clock::time_point now) const;

 private:
  double wrapIntoLoop(double frame) const;
  void anchor(double frame, Clock::time_point now);

  double anchorFrame_ = 0.0;
  Clock::time_point anchorTime_{};
  double speed_ = 1.0;
  bool running_ = false;
  std::int32_t loopStart_ = 0;
  std::int32_t loopEnd_ = 0;
  std::int32_t lengthFrames_ = 0;
};

}  // namespace gm
