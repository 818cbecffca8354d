#pragma once
// A JACK server on the dummy driver: a real, paced audio device on machines without a sound card.
// Each server has a name of its own (and the process's JACK_DEFAULT_SERVER points at it), so that
// tests and benchmarks running side by side never meet another one's server. The names come from a
// small pool: JACK keeps at most eight servers in its registry and reclaims the entry of a killed
// one only when a server of the same name starts again.

#include <string>

#include <sys/types.h>

namespace gm::testing {

class JackDummyServer {
 public:
  // Starts `jackd -n <name> -d dummy -r 44100 -p periodFrames` and waits until it takes clients.
  explicit JackDummyServer(int periodFrames);
  ~JackDummyServer();
  JackDummyServer(const JackDummyServer&) = delete;
  JackDummyServer& operator=(const JackDummyServer&) = delete;

  bool running() const { return pid_ > 0; }
  // Why the server is not running, for a skip message.
  const std::string& problem() const { return problem_; }
  const std::string& name() const { return name_; }

  // Kills the server at once (SIGKILL), as a crash or a pulled device would end it.
  void kill();
  // Starts it again under the same name; false (with problem() set) when it does not come up.
  bool start();

 private:
  bool startAs(const std::string& name);

  std::string name_;
  int periodFrames_;
  pid_t pid_ = -1;
  std::string problem_;
};

}  // namespace gm::testing
