#include "audio/JackServerLoss.h"

#include <dlfcn.h>

#include <array>
#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

// The JACK library's own types, opaque here: the program does not build against JACK's headers.
extern "C" {
typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;
typedef void (*JackShutdownCallback)(void* arg);
}

namespace gm {
namespace {

// One JACK client that registered a shutdown callback (PortAudio has one per initialisation).
struct ClientRecord {
  jack_client_t* client = nullptr;  // nullptr: free record
  JackShutdownCallback callback = nullptr;
  void* argument = nullptr;
  std::atomic<bool> serverLost{false};
};

struct Registry {
  std::mutex lock;  // guards the records' client, callback and argument
  std::array<ClientRecord, 16> records;
  std::atomic<std::uint64_t> lostServers{0};
};

// Never destroyed: a JACK thread or a stream closer may still call in while the program exits.
Registry& registry() {
  static Registry* instance = new Registry;
  return *instance;
}

template <typename Function>
Function nextDefinition(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// [jack-thread] The server is gone: remember it, then tell PortAudio as JACK would have.
void relayShutdown(void* recordPointer) {
  auto& record = *static_cast<ClientRecord*>(recordPointer);
  record.serverLost.store(true);
  registry().lostServers.fetch_add(1);
  JackShutdownCallback callback = nullptr;
  void* argument = nullptr;
  {
    std::lock_guard guard(registry().lock);
    callback = record.callback;
    argument = record.argument;
  }
  if (callback != nullptr) callback(argument);
}

ClientRecord* findRecordLocked(jack_client_t* client) {
  for (ClientRecord& record : registry().records) {
    if (record.client == client && client != nullptr) return &record;
  }
  return nullptr;
}

bool serverLostFor(jack_client_t* client) {
  std::lock_guard guard(registry().lock);
  const ClientRecord* record = findRecordLocked(client);
  return record != nullptr && record->serverLost.load();
}

}  // namespace

std::uint64_t JackServerLoss::lostServers() { return registry().lostServers.load(); }

void JackServerLoss::wakeWaitersOnLostServers() {
  std::vector<std::pair<JackShutdownCallback, void*>> notices;
  {
    std::lock_guard guard(registry().lock);
    for (const ClientRecord& record : registry().records) {
      if (record.client != nullptr && record.serverLost.load() && record.callback != nullptr) {
        notices.emplace_back(record.callback, record.argument);
      }
    }
  }
  for (const auto& [callback, argument] : notices) callback(argument);
}

}  // namespace gm

using gm::registry;

// The JACK entry points PortAudio calls around a server's life; each forwards to the JACK library.

extern "C" void jack_on_shutdown(jack_client_t* client, JackShutdownCallback callback, void* argument) {
  static const auto forward = gm::nextDefinition<void (*)(jack_client_t*, JackShutdownCallback, void*)>("jack_on_shutdown");
  if (forward == nullptr) return;
  gm::ClientRecord* record = nullptr;
  {
    std::lock_guard guard(registry().lock);
    for (gm::ClientRecord& candidate : registry().records) {
      if (candidate.client == nullptr) {
        record = &candidate;
        break;
      }
    }
    if (record != nullptr) {
      record->client = client;
      record->callback = callback;
      record->argument = argument;
      record->serverLost.store(false);
    }
  }
  // With every record taken the client keeps JACK's plain behaviour.
  if (record == nullptr) {
    forward(client, callback, argument);
  } else {
    forward(client, &gm::relayShutdown, record);
  }
}

extern "C" int jack_deactivate(jack_client_t* client) {
  static const auto forward = gm::nextDefinition<int (*)(jack_client_t*)>("jack_deactivate");
  const int result = forward != nullptr ? forward(client) : -1;
  return gm::serverLostFor(client) ? 0 : result;
}

extern "C" int jack_port_unregister(jack_client_t* client, jack_port_t* port) {
  static const auto forward = gm::nextDefinition<int (*)(jack_client_t*, jack_port_t*)>("jack_port_unregister");
  const int result = forward != nullptr ? forward(client, port) : -1;
  return gm::serverLostFor(client) ? 0 : result;
}

extern "C" int jack_client_close(jack_client_t* client) {
  static const auto forward = gm::nextDefinition<int (*)(jack_client_t*)>("jack_client_close");
  bool serverLost = false;
  {
    // The record is freed first: once closed, the client's memory belongs to JACK again.
    std::lock_guard guard(registry().lock);
    if (gm::ClientRecord* record = gm::findRecordLocked(client)) {
      serverLost = record->serverLost.load();
      record->client = nullptr;
      record->callback = nullptr;
      record->argument = nullptr;
    }
  }
  const int result = forward != nullptr ? forward(client) : -1;
  return serverLost ? 0 : result;
}
