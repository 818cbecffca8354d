#pragma once
// GrooveMangler-rx: runs a REXX script with the Regina interpreter, as the program runs per-track
// scripts (and as users run their own). Two things make it ours:
// - the command environment "GROOVEMANGLER": every command a script addresses to it is sent as one
//   line to the program's command port, and `rc` becomes the reply's code (a reply text, if any,
//   goes to the variable RESULT); with no program to answer, rc is 69 and the command fails;
// - the function SHOW("P", name): 1 when the port called `name` ("GROOVEMANGLER") accepts
//   connections, else 0.

#include <string>

#include "control/PortClient.h"

namespace gm {

class RexxRunner {
 public:
  static constexpr const char* kPortName = "GROOVEMANGLER";
  static constexpr int kNoProgram = 69;

  // `socketPath`: the command port's socket; connected to when the first command is sent.
  explicit RexxRunner(std::string socketPath);
  ~RexxRunner();

  // Runs the script at `scriptPath` with `argument` (none when null). Returns the program's exit
  // status: the script's numeric result (0..255), or 1 when it could not be run or stopped on an
  // error (the interpreter has said why on standard error).
  int run(const std::string& scriptPath, const char* argument);

  // [interpreter] The command environment's work: the reply code for one command.
  int sendCommand(const std::string& command, std::string& replyText);
  // [interpreter] Whether the port accepts connections now.
  bool portAnswers();

 private:
  std::string socketPath_;
  PortClient client_;
};

}  // namespace gm
