#include "audio/PortAudioLibrary.h"

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "audio/JackServerLoss.h"

namespace gm {
namespace {

struct State {
  std::atomic<int> references{0};
  std::atomic<std::uint64_t> lostStreams{0};
  std::mutex closerLock;
  std::condition_variable closerDone;
  int closersInFlight = 0;      // guarded by closerLock
  int referencesToRelease = 0;  // closed streams' references, guarded by closerLock
};

// Never destroyed: a closer may still finish while the program exits.
State& state() {
  static State* instance = new State;
  return *instance;
}

constexpr std::chrono::milliseconds kWakePeriod{10};

// [closer-thread] Aborting a stream whose JACK server is gone waits for a process cycle that
// never comes; repeating the server's shutdown notice releases that wait.
void abortWhileWakingWaiters(PaStream* stream) {
  std::atomic<bool> aborted{false};
  std::thread waker([&aborted] {
    while (!aborted.load()) {
      JackServerLoss::wakeWaitersOnLostServers();
      std::this_thread::sleep_for(kWakePeriod);
    }
  });
  Pa_AbortStream(stream);
  aborted.store(true);
  waker.join();
}

void closerFinished() {
  State& s = state();
  {
    std::lock_guard guard(s.closerLock);
    --s.closersInFlight;
    ++s.referencesToRelease;
  }
  s.closerDone.notify_all();
}

// [main-thread]
void releaseClosedStreams() {
  State& s = state();
  int count = 0;
  {
    std::lock_guard guard(s.closerLock);
    count = std::exchange(s.referencesToRelease, 0);
  }
  for (; count > 0; --count) PortAudioLibrary::release();
}

}  // namespace

bool PortAudioLibrary::acquire() {
  releaseClosedStreams();
  if (Pa_Initialize() != paNoError) return false;
  state().references.fetch_add(1);
  return true;
}

void PortAudioLibrary::release() {
  state().references.fetch_sub(1);
  Pa_Terminate();
}

PortAudioLibrary::Reinitialised PortAudioLibrary::reinitialise() {
  if (!waitForClosers(kCloserWait) || state().references.load() != 1) return Reinitialised::kInUse;
  Pa_Terminate();
  if (Pa_Initialize() == paNoError) return Reinitialised::kYes;
  state().references.fetch_sub(1);
  return Reinitialised::kFailed;
}

void PortAudioLibrary::closeLostStream(PaStream* stream, std::shared_ptr<void> callbackData) {
  state().lostStreams.fetch_add(1);
  {
    std::lock_guard guard(state().closerLock);
    ++state().closersInFlight;
  }
  std::thread([stream, callbackData = std::move(callbackData)]() mutable {
    pthread_setname_np(pthread_self(), "GM Stream Close");
    abortWhileWakingWaiters(stream);
    Pa_CloseStream(stream);
    callbackData.reset();
    closerFinished();
  }).detach();
}

bool PortAudioLibrary::waitForClosers(std::chrono::milliseconds bound) {
  State& s = state();
  bool allClosed = false;
  {
    std::unique_lock guard(s.closerLock);
    allClosed = s.closerDone.wait_for(guard, bound, [&s] { return s.closersInFlight == 0; });
  }
  releaseClosedStreams();
  return allClosed;
}

}  // namespace gm

namespace gm {

std::uint64_t PortAudioLibrary::lostStreams() { return state().lostStreams.load(); }

}  // namespace gm
