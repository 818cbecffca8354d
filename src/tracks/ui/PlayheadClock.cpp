#include "tracks/ui/PlayheadClock.h"

#include <algorithm>
#include <cmath>

namespace gm {

void PlayheadClock::anchor(double frame, Clock::time_point now) {
  anchorFrame_ = frame;
  anchorTime_ = now;
}

void PlayheadClock::report(std::int32_t frame, Clock::time_point now) {
  if (!running_) {
    anchor(frame, now);
    return;
  }
  const double predicted = positionAt(now);
  const double error = double(frame) - predicted;
  anchor(std::fabs(error) > kJumpFrames ? double(frame) : predicted + error * kEasing, now);
}

void PlayheadClock::jumpTo(std::int32_t frame, Clock::time_point now) { anchor(frame, now); }

void PlayheadClock::setRunning(bool running, std::int32_t frame, Clock::time_point now) {
  anchor(running ? positionAt(now) : double(frame), now);
  running_ = running;
}

void PlayheadClock::setSpeed(double speed, Clock::time_point now) {
  anchor(positionAt(now), now);
  speed_ = speed;
}

void PlayheadClock::setLoop(std::int32_t startFrame, std::int32_t endFrame) {
  loopStart_ = startFrame;
  loopEnd_ = endFrame;
}

void PlayheadClock::setLength(std::int32_t frames) { lengthFrames_ = std::max(0, frames); }

double PlayheadClock::wrapIntoLoop(double frame) const {
  // Playback jumps back whenever it reaches the loop's end. An anchor already past the end (a seek
  // the render has not answered yet) is left alone: the next report says where the deck went.
  const double length = double(loopEnd_) - double(loopStart_);
  if (length <= 0.0 || anchorFrame_ >= loopEnd_ || frame < loopEnd_) return frame;
  return loopStart_ + std::fmod(frame - loopEnd_, length);
}

double PlayheadClock::positionAt(Clock::time_point now) const {
  double frame = anchorFrame_;
  if (running_) {
    const double seconds = std::chrono::duration<double>(now - anchorTime_).count();
    frame = wrapIntoLoop(anchorFrame_ + seconds * kFramesPerSecond * speed_);
  }
  return std::clamp(frame, 0.0, double(lengthFrames_));
}

}  // namespace gm
