// Deadlines missed (output underflows) on a JACK server at periods of 64, 128 and 256 frames, each
// for the same time: the program's output path (PortAudio output, mixing engine, two decks playing
// with non-flat equalisers) next to two plain PortAudio players measured in the same run, one that
// follows the server's period and one that asks for fixed 256-frame buffers.
//
//   bench_jack_xruns [SECONDS]   (default 120 per run; starts its own dummy JACK servers)

#include <portaudio.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>

#include "BenchDecks.h"
#include "audio/MixEngine.h"
#include "audio/PortAudioBackend.h"
#include "audio/PortAudioOutput.h"
#include "audio/SampleBlock.h"
#include "support/JackDummyServer.h"

namespace {

constexpr const char* kJackDevice = "system";

std::atomic<unsigned long> plainUnderflows{0};

int plainCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                  PaStreamCallbackFlags flags, void*) {
  if ((flags & paOutputUnderflow) != 0) plainUnderflows.fetch_add(1);
  std::fill_n(static_cast<std::int16_t*>(output), frames * gm::kChannels, std::int16_t{0});
  return paContinue;
}

// -1 when the stream cannot be played.
long plainPlayer(unsigned long framesPerBuffer, int seconds) {
  PaDeviceIndex device = paNoDevice;
  for (PaDeviceIndex index = 0; index < Pa_GetDeviceCount(); ++index) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    if (Pa_GetHostApiInfo(info->hostApi)->type == paJACK && info->maxOutputChannels >= 2) device = index;
  }
  if (device == paNoDevice) return -1;
  PaStreamParameters parameters{device, gm::kChannels, paInt16, Pa_GetDeviceInfo(device)->defaultLowOutputLatency, nullptr};
  PaStream* stream = nullptr;
  if (Pa_OpenStream(&stream, nullptr, &parameters, gm::kSampleRate, framesPerBuffer, paNoFlag, &plainCallback, nullptr) !=
      paNoError) {
    return -1;
  }
  plainUnderflows = 0;
  Pa_StartStream(stream);
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  Pa_StopStream(stream);
  Pa_CloseStream(stream);
  return long(plainUnderflows.load());
}

long programPath(gm::PortAudioBackend& backend, gm::bench::TwoDecks& decks, int seconds) {
  auto output = backend.open(kJackDevice, "GrooveMangler Master Output");
  if (!output) return -1;
  auto engine = gm::MixEngine::create(&decks.deckA.voice(), &decks.deckB.voice(), gm::kMaxRenderBlockFrames);
  engine->setHeadphonesOff(true);
  if (!output->connect(*engine, gm::MixEngine::kMasterPort) || !output->start()) return -1;
  for (int second = 0; second < seconds; ++second) {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    if (second % 20 == 19) decks.rewind();  // the tracks last 30 seconds
  }
  output->stop();
  return long(output->underflows());
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 120;
  gm::bench::TwoDecks decks(gm::kMaxRenderBlockFrames, 170, 100, 150);
  if (!decks.ready) {
    std::fprintf(stderr, "the synthetic tracks did not load\n");
    return 1;
  }
  std::printf("underflows in %d s per run (JACK dummy driver, 44100 Hz)\n", seconds);
  std::printf("%-8s %22s %22s %16s\n", "period", "plain, server period", "plain, fixed 256", "program");
  for (const int period : {64, 128, 256}) {
    gm::testing::JackDummyServer server(period);
    if (!server.running()) {
      std::fprintf(stderr, "no JACK server: %s\n", server.problem().c_str());
      return 1;
    }
    gm::PortAudioBackend backend;  // initialised against this server
    const long followingPeriod = plainPlayer(paFramesPerBufferUnspecified, seconds);
    const long fixed = plainPlayer(256, seconds);
    const long program = programPath(backend, decks, seconds);
    std::printf("%-8d %22ld %22ld %16ld\n", period, followingPeriod, fixed, program);
    std::fflush(stdout);
  }
  return 0;
}
