#include "support/JackDummyServer.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <vector>

namespace gm::testing {
namespace {

pid_t spawn(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child != 0) return child;
  const int devNull = ::open("/dev/null", O_RDWR);
  dup2(devNull, STDOUT_FILENO);
  dup2(devNull, STDERR_FILENO);
  execvp(argv[0], argv.data());
  _exit(127);
}

// The exit status of `child`, or -1 when it did not end within `timeoutMs`.
int waitForExit(pid_t child, int timeoutMs) {
  int status = 0;
  for (int waited = 0; waitpid(child, &status, WNOHANG) == 0; waited += 10) {
    if (waited >= timeoutMs) return -1;
    usleep(10'000);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

constexpr int kNames = 4;

std::string poolName(int index) { return "gm_test_jack_" + std::to_string(index); }

// jack_wait comes with jackd and returns 0 once the server takes clients.
int waitUntilServing(const std::string& name) {
  const pid_t waiter = spawn({"jack_wait", "-s", name, "-w", "-t", "10"});
  const int status = waiter > 0 ? waitForExit(waiter, 15'000) : -1;
  if (status < 0 && waiter > 0) {
    ::kill(waiter, SIGKILL);
    waitpid(waiter, nullptr, 0);
  }
  return status;
}

}  // namespace

JackDummyServer::JackDummyServer(int periodFrames) : periodFrames_(periodFrames) {
  // The dummy driver needs no sound card, and no other program's permission to use one.
  setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
  for (int index = 0; index < kNames && !running(); ++index) {
    // A name another test's server has makes jackd give up at once.
    const std::string name = poolName(index);
    if (startAs(name)) name_ = name;
  }
  if (running()) {
    setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
  } else if (problem_.empty()) {
    problem_ = "every test server name is in use";
  }
}

JackDummyServer::~JackDummyServer() {
  // A server that ends on SIGTERM leaves JACK's registry clean.
  if (running()) {
    ::kill(pid_, SIGTERM);
    if (waitForExit(pid_, 5'000) < 0) kill();
  }
  pid_ = -1;
  if (!name_.empty()) unsetenv("JACK_DEFAULT_SERVER");
}

bool JackDummyServer::start() { return running() || startAs(name_); }

bool JackDummyServer::startAs(const std::string& name) {
  pid_ = spawn({"jackd", "-n", name, "-d", "dummy", "-r", "44100", "-p", std::to_string(periodFrames_)});
  const int waited = waitUntilServing(name);
  // Our server must be the one that answered: it is still running.
  if (pid_ > 0 && waited == 0 && waitForExit(pid_, 100) < 0) return true;
  problem_ = waited == 127 ? "jackd2 is not installed (scripts/setup installs it)" : "jackd did not start";
  if (waitForExit(pid_, 0) >= 0) pid_ = -1;  // already ended and reaped
  kill();
  return false;
}

void JackDummyServer::kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

}  // namespace gm::testing
