#include "control/rx/RexxRunner.h"

#define INCL_RXSUBCOM
#define INCL_RXFUNC
#define INCL_RXSHV
#include <rexxsaa.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace gm {
namespace {

// Regina's handlers carry no context: the one runner of this process.
RexxRunner* activeRunner = nullptr;

// Puts `text` into a handler's return string, in the buffer Regina lends when it is large enough.
void setReturn(PRXSTRING result, std::string_view text) {
  if (result->strptr == nullptr || result->strlength < text.size()) {
    result->strptr = static_cast<char*>(RexxAllocateMemory(ULONG(text.size() + 1)));
  }
  if (result->strptr == nullptr) {
    result->strlength = 0;
    return;
  }
  std::memcpy(result->strptr, text.data(), text.size());
  result->strlength = text.size();
}

void setResultVariable(const std::string& text) {
  SHVBLOCK block{};
  MAKERXSTRING(block.shvname, const_cast<char*>("RESULT"), 6);
  MAKERXSTRING(block.shvvalue, const_cast<char*>(text.data()), text.size());
  block.shvcode = RXSHV_SET;
  RexxVariablePool(&block);
}

APIRET APIENTRY portCommand(PRXSTRING command, PUSHORT flags, PRXSTRING result) {
  std::string replyText;
  const std::string line(command->strptr ? command->strptr : "", RXSTRLEN(*command));
  const int code = activeRunner->sendCommand(line, replyText);
  if (!replyText.empty()) setResultVariable(replyText);
  *flags = code == 0 ? RXSUBCOM_OK : code == RexxRunner::kNoProgram ? RXSUBCOM_FAILURE : RXSUBCOM_ERROR;
  setReturn(result, std::to_string(code));
  return 0;
}

bool equalsIgnoringCase(const RXSTRING& text, std::string_view word) {
  return RXSTRLEN(text) == word.size() &&
         std::equal(word.begin(), word.end(), text.strptr, [](char a, char b) { return a == char(std::toupper(static_cast<unsigned char>(b))); });
}

APIRET APIENTRY showFunction(PCSZ, ULONG argc, PRXSTRING argv, PCSZ, PRXSTRING result) {
  if (argc < 1 || argc > 2) return 40;  // "Incorrect call to routine"
  bool shown = false;
  if (equalsIgnoringCase(argv[0], "P")) {
    // With no name, ARexx lists the ports; the only port here is the program's.
    const std::string name = argc == 2 ? std::string(argv[1].strptr, RXSTRLEN(argv[1])) : std::string();
    shown = (argc == 1 || name == RexxRunner::kPortName) && activeRunner->portAnswers();
    if (argc == 1) {
      setReturn(result, shown ? RexxRunner::kPortName : "");
      return 0;
    }
  }
  setReturn(result, shown ? "1" : "0");
  return 0;
}

}  // namespace

RexxRunner::RexxRunner(std::string socketPath) : socketPath_(std::move(socketPath)) {
  activeRunner = this;
  RexxRegisterSubcomExe(kPortName, portCommand, nullptr);
  RexxRegisterFunctionExe("SHOW", showFunction);
}

RexxRunner::~RexxRunner() {
  RexxDeregisterFunction("SHOW");
  RexxDeregisterSubcom(kPortName, nullptr);
  activeRunner = nullptr;
}

int RexxRunner::sendCommand(const std::string& command, std::string& replyText) {
  std::string error;
  if (!client_.connected() && !client_.connectTo(socketPath_, error)) {
    std::fprintf(stderr, "GrooveMangler-rx: no program answers on %s (%s)\n", socketPath_.c_str(), error.c_str());
    return kNoProgram;
  }
  std::string reply;
  if (command.find('\n') != std::string::npos) return 4;  // one command is one line
  if (!client_.send(command, reply)) return kNoProgram;
  replyText = PortClient::replyText(reply);
  const int code = PortClient::replyCode(reply);
  return code < 0 ? kNoProgram : code;
}

bool RexxRunner::portAnswers() {
  if (client_.connected()) return true;
  std::string error;
  PortClient probe;
  return probe.connectTo(socketPath_, error);
}

int RexxRunner::run(const std::string& scriptPath, const char* argument) {
  if (::access(scriptPath.c_str(), R_OK) != 0) {
    std::fprintf(stderr, "GrooveMangler-rx: cannot read %s (%s)\n", scriptPath.c_str(), std::strerror(errno));
    return 1;
  }
  // The interpreter looks for a bare name along $PATH only: name the file by its path.
  const std::string program = scriptPath.find('/') == std::string::npos ? "./" + scriptPath : scriptPath;
  RXSTRING arguments[1];
  if (argument) MAKERXSTRING(arguments[0], const_cast<char*>(argument), std::strlen(argument));
  SHORT scriptResult = 0;
  RXSTRING result{};
  const APIRET status = RexxStart(argument ? 1 : 0, arguments, program.c_str(), nullptr, nullptr, RXCOMMAND, nullptr,
                                  &scriptResult, &result);
  if (result.strptr) RexxFreeMemory(result.strptr);
  if (status != 0) return 1;
  return std::clamp<int>(scriptResult, 0, 255);
}

}  // namespace gm
