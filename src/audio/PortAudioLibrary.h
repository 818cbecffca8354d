#pragma once
// PortAudio's initialisation, shared by the backend, its outputs and the closers of lost streams.
// Pa_Initialize counts references; this class keeps the same count so that the backend knows when
// it holds the last one and may re-initialise PortAudio for a fresh device list.
//
// A stream whose device died (a JACK server that went away, a card pulled out) must never be
// stopped or closed on the main thread: PortAudio may wait there for a device that no longer
// answers. Such a stream goes to a closer thread of its own, which may block. Closers are
// detached: the program does not join one that hangs, it waits for them a bounded time when it
// needs PortAudio to itself (re-initialising, exiting) and otherwise leaves them alone.

#include <portaudio.h>

#include <chrono>
#include <cstdint>
#include <memory>

namespace gm {

class PortAudioLibrary {
 public:
  // How long the main thread waits for closers before it gives up on re-initialising or on
  // terminating PortAudio at exit. A closer normally ends within a few milliseconds.
  static constexpr std::chrono::milliseconds kCloserWait{2000};

  enum class Reinitialised { kYes, kInUse, kFailed };

  // [main-thread] Takes one reference; false when PortAudio cannot be initialised.
  static bool acquire();
  // [main-thread] Gives one reference back.
  static void release();
  // [main-thread] Terminates and initialises PortAudio again when the caller's reference is the
  // only one left once the closers ended, so that the device list shows what is there now.
  // kInUse: streams are still open and PortAudio was left as it was. kFailed: PortAudio could not
  // be initialised again and the caller's reference is gone.
  static Reinitialised reinitialise();

  // [main-thread] Hands a stream whose device died to a closer thread, with the data its callback
  // uses (kept alive until the stream is closed) and the stream's PortAudio reference.
  static void closeLostStream(PaStream* stream, std::shared_ptr<void> callbackData);
  // [main-thread] Waits up to `bound` for every closer to end; true when none is left. Only the
  // main thread initialises and terminates PortAudio (its reference count is a plain integer), so
  // the references of finished closers are given back here.
  static bool waitForClosers(std::chrono::milliseconds bound);
  // [any-thread] Streams handed to closers since the program started.
  static std::uint64_t lostStreams();
};

}  // namespace gm
