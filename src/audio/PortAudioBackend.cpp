#include "audio/PortAudioBackend.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>

#include <set>

#include "audio/JackServerLoss.h"
#include "audio/NullOutput.h"
#include "audio/PortAudioLibrary.h"
#include "audio/PortAudioOutput.h"
#include "audio/SampleBlock.h"

namespace gm {

namespace {

// Probing for devices makes ALSA and JACK print dozens of lines about cards and servers that are
// not there; the user learns what matters from the device list.
void ignoreAlsaMessage(const char* /*file*/, int /*line*/, const char* /*function*/, int /*err*/,
                       const char* /*format*/, ...) {}
void ignoreJackMessage(const char* /*message*/) {}

void silenceSoundLibraries() {
  snd_lib_error_set_handler(&ignoreAlsaMessage);
  // JACK is looked up rather than linked: it is only present when PortAudio was built with it.
  using SetMessageFunction = void (*)(void (*)(const char*));
  for (const char* setter : {"jack_set_error_function", "jack_set_info_function"}) {
    if (auto set = reinterpret_cast<SetMessageFunction>(dlsym(RTLD_DEFAULT, setter))) {
      set(&ignoreJackMessage);
    }
  }
}

std::string uniqueName(const std::string& name, const std::set<std::string>& taken) {
  if (!taken.contains(name)) return name;
  for (int copy = 2;; ++copy) {
    std::string candidate = name + " (" + std::to_string(copy) + ")";
    if (!taken.contains(candidate)) return candidate;
  }
}

}  // namespace

PortAudioBackend::PortAudioBackend() {
  silenceSoundLibraries();
  deviceLossesAtInitialisation_ = deviceLosses();
  initialised_ = PortAudioLibrary::acquire();
}

PortAudioBackend::~PortAudioBackend() {
  if (!initialised_) return;
  // A closer that hangs on a dead device keeps its own reference; PortAudio then stays up until
  // the process ends instead of being torn down under it.
  PortAudioLibrary::waitForClosers(PortAudioLibrary::kCloserWait);
  PortAudioLibrary::release();
}

std::uint64_t PortAudioBackend::deviceLosses() {
  return JackServerLoss::lostServers() + PortAudioLibrary::lostStreams();
}

void PortAudioBackend::refresh(bool always) {
  const std::uint64_t losses = deviceLosses();
  if (initialised_ && !always && losses == deviceLossesAtInitialisation_) return;
  silenceSoundLibraries();
  if (!initialised_) {
    initialised_ = PortAudioLibrary::acquire();
  } else {
    const PortAudioLibrary::Reinitialised result = PortAudioLibrary::reinitialise();
    if (result == PortAudioLibrary::Reinitialised::kInUse) return;  // an open stream keeps the old list
    initialised_ = result == PortAudioLibrary::Reinitialised::kYes;
  }
  deviceLossesAtInitialisation_ = losses;
}

std::vector<PortAudioBackend::Device> PortAudioBackend::listDevices() const {
  std::vector<Device> devices;
  if (!initialised_) return devices;
  // The null output's name is reserved so that a choice stored by name stays unambiguous.
  std::set<std::string> taken{kNullOutputName};
  const PaDeviceIndex count = Pa_GetDeviceCount();
  for (PaDeviceIndex index = 0; index < count; ++index) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    if (info == nullptr || info->maxOutputChannels < kChannels) continue;
    std::string name = uniqueName(info->name != nullptr ? info->name : "", taken);
    taken.insert(name);
    devices.push_back({std::move(name), index});
  }
  return devices;
}

std::vector<std::string> PortAudioBackend::outputDevices() {
  refresh(true);
  std::vector<std::string> names;
  for (Device& device : listDevices()) names.push_back(std::move(device.name));
  return names;
}

std::string PortAudioBackend::defaultDevice() {
  refresh(false);
  if (!initialised_) return kNullOutputName;
  const PaDeviceIndex defaultIndex = Pa_GetDefaultOutputDevice();
  for (const Device& device : listDevices()) {
    if (device.index == defaultIndex) return device.name;
  }
  return kNullOutputName;
}

std::unique_ptr<AudioOutput> PortAudioBackend::open(const std::string& deviceName,
                                                    const std::string& outputName) {
  if (deviceName == kNullOutputName) return std::make_unique<NullOutput>(outputName);
  refresh(false);
  for (const Device& device : listDevices()) {
    if (device.name == deviceName) return PortAudioOutput::open(device.index, device.name, outputName);
  }
  return nullptr;
}

}  // namespace gm
