#pragma once
// Remote control of the application through its command port "GROOVEMANGLER": the command table
// (the nineteen deck and mixer commands, then the extra ones), the remote actions they perform,
// and the socket that serves them.

#include <QString>

#include "app/RemoteActions.h"
#include "control/CommandPort.h"
#include "control/CommandTable.h"

namespace gm {

class Application;

class RemoteControl {
 public:
  explicit RemoteControl(Application& app);

  // [main-thread] Opens the port at `socketPath`; a port that cannot be had is said in the status
  // line (the program goes on without one).
  bool open(const QString& socketPath);

  RemoteActions& actions() { return actions_; }
  const CommandTable& commands() const { return commands_; }
  CommandPort& port() { return port_; }

 private:
  Application& app_;
  RemoteActions actions_;
  CommandTable commands_;
  CommandPort port_;
};

}  // namespace gm
