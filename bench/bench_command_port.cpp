// The command port under a flood of clients: rounds of 50 clients each sending 200 commands as fast
// as their replies come back, for three seconds, while the main thread also runs a 25 ms timer like
// the window's tick. Reports the commands per second, the clients' round trips, and the tick's
// lateness during the flood next to its lateness with the port idle for as long, measured in the
// same run (the machine's other work shows in both).
//
// Usage: bench_command_port [CLIENTS [COMMANDS]]

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include "BenchProgram.h"
#include "app/Application.h"
#include "control/PortClient.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTickMs = 25;

// How late a 25 ms timer fires, worst case, over one stretch of time.
class TickWatch {
 public:
  TickWatch() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const auto now = Clock::now();
      const double lateMs = std::chrono::duration<double, std::milli>(now - last_).count() - kTickMs;
      lateMs_.push_back(lateMs);
      last_ = now;
    });
  }
  void start() {
    lateMs_.clear();
    last_ = Clock::now();
    timer_.start(kTickMs);
  }
  void stop() { timer_.stop(); }
  const std::vector<double>& lateMs() const { return lateMs_; }

 private:
  QTimer timer_;
  Clock::time_point last_;
  std::vector<double> lateMs_;
};

// Runs the event loop for `ms` milliseconds.
void runFor(int ms) {
  QTimer::singleShot(ms, qApp, &QCoreApplication::quit);
  QCoreApplication::exec();
}

// The commands a client cycles through: reads, knob moves, deck selection.
const char* const kCommands[] = {"STATUS", "SETGAIN HI 200", "USE DECKA", "SETVOL UP", "DISPLAY NEXT", "CUTGAIN MID TOGGLE"};

struct Flood {
  std::vector<double> roundTripsUs;
  std::atomic<int> failures{0};
  std::atomic<int> finished{0};
};

void client(const std::string& path, int commands, bool niced, Flood& flood, std::vector<double>& roundTrips) {
  // Niced, the clients cannot take the main thread's processor away: what is left of the tick's
  // lateness is the port's own work.
  if (niced) setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
  gm::PortClient port;
  std::string error, reply;
  if (!port.connectTo(path, error)) {
    flood.failures += commands;
  } else {
    for (int i = 0; i < commands; ++i) {
      const auto start = Clock::now();
      if (!port.send(kCommands[i % std::size(kCommands)], reply) || gm::PortClient::replyCode(reply) != 0) ++flood.failures;
      roundTrips.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
  }
  ++flood.finished;
}

double percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, std::size_t(share * double(values.size())))];
}

void printLateness(const char* when, const std::vector<double>& lateMs) {
  std::printf("25 ms tick lateness %-18s median %.2f ms, 99th percentile %.2f ms, worst %.2f ms (%zu ticks)\n", when,
              percentile(lateMs, 0.5), percentile(lateMs, 0.99), percentile(lateMs, 1.0), lateMs.size());
}

// Rounds of `clients` clients × `commands` commands for `phaseMs`; prints the figures.
bool runFlood(const std::string& path, int clients, int commands, bool niced, int phaseMs) {
  TickWatch tick;
  Flood flood;
  int rounds = 0;
  tick.start();
  QElapsedTimer elapsed;
  elapsed.start();
  while (elapsed.elapsed() < phaseMs) {
    std::vector<std::vector<double>> roundTrips(static_cast<std::size_t>(clients));
    std::vector<std::thread> threads;
    flood.finished = 0;
    for (int i = 0; i < clients; ++i) {
      threads.emplace_back(client, path, commands, niced, std::ref(flood), std::ref(roundTrips[std::size_t(i)]));
    }
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (flood.finished == clients) QCoreApplication::quit();
    });
    poll.start(1);
    QCoreApplication::exec();
    for (std::thread& thread : threads) thread.join();
    for (const auto& each : roundTrips) flood.roundTripsUs.insert(flood.roundTripsUs.end(), each.begin(), each.end());
    ++rounds;
  }
  const double floodMs = double(elapsed.nsecsElapsed()) / 1e6;
  tick.stop();

  const int total = rounds * clients * commands;
  std::printf("flood%s: %d rounds of %d clients x %d commands = %d commands in %.0f ms: %.0f commands/s, %d failed\n",
              niced ? " (clients at nice 19)" : "", rounds, clients, commands, total, floodMs, total / (floodMs / 1000.0),
              flood.failures.load());
  std::printf("round trip per command: median %.0f us, 99th percentile %.0f us, worst %.0f us\n",
              percentile(flood.roundTripsUs, 0.5), percentile(flood.roundTripsUs, 0.99),
              percentile(flood.roundTripsUs, 1.0));
  printLateness("during the flood", tick.lateMs());
  return flood.failures == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int clients = argc > 1 ? std::atoi(argv[1]) : 50;
  const int commands = argc > 2 ? std::atoi(argv[2]) : 200;
  BenchProgram program(argc, argv);
  gm::Application& app = program.app();
  if (!app.create() || !app.remoteControl().port().isOpen()) {
    std::fprintf(stderr, "bench_command_port: the program did not start with its port\n");
    return 1;
  }
  const std::string path = QFile::encodeName(app.remoteControl().port().path()).toStdString();

  constexpr int kPhaseMs = 3000;
  TickWatch tick;
  tick.start();
  runFor(kPhaseMs);
  tick.stop();
  std::printf("reference, port idle:\n");
  printLateness("with no clients", tick.lateMs());
  const bool floodOk = runFlood(path, clients, commands, false, kPhaseMs) && runFlood(path, clients, commands, true, kPhaseMs);
  return floodOk ? 0 : 1;
}
