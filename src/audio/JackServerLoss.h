#pragma once
// What PortAudio's JACK back end cannot do on its own when the JACK server dies under it: release
// the threads that wait for the server, and let go of its dead client without aborting the program.
//
// PortAudio waits for JACK's next process cycle to stop or abort a stream, ten minutes at most;
// when the server is gone that cycle never comes. Releasing its dead client and ports it asserts
// that JACK answered "done", which a dead server never does, so the whole program aborts. This
// module stands between PortAudio and the JACK library (jack_on_shutdown, jack_deactivate,
// jack_client_close and jack_port_unregister are defined in it and forward to the JACK library):
// it notes which clients lost their server, reports their releasing calls as done, and can repeat
// PortAudio's own shutdown notice to wake a thread that waits in vain.
//
// Nothing changes for a client whose server is alive, nor when PortAudio runs without JACK.

#include <cstdint>

namespace gm {

class JackServerLoss {
 public:
  // [any-thread] How many JACK clients lost their server since the program started.
  static std::uint64_t lostServers();
  // [any-thread] Repeats PortAudio's shutdown notice for every client whose server is gone, which
  // releases a PortAudio call waiting for that server. Harmless when nobody waits.
  static void wakeWaitersOnLostServers();
};

}  // namespace gm
