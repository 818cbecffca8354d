#include "app/RemoteControl.h"

#include "app/Application.h"
#include "app/ExtraPortCommands.h"
#include "control/PortCommands.h"
#include "core/CatalogTable.h"

namespace gm {

RemoteControl::RemoteControl(Application& app)
    : app_(app), actions_(app), port_([this](QByteArrayView line) { return commands_.execute(line); }) {
  PortCommands::addTo(commands_, actions_);
  ExtraPortCommands::addTo(commands_, app_, actions_);
}

bool RemoteControl::open(const QString& socketPath) {
  QString reason;
  switch (port_.open(socketPath, &reason)) {
    case CommandPort::Outcome::Opened: return true;
    case CommandPort::Outcome::InUse: app_.status().show(msg(Msg::StatusPortInUse).arg(socketPath)); break;
    case CommandPort::Outcome::Failed: app_.status().show(msg(Msg::StatusNoPort).arg(socketPath, reason)); break;
  }
  return false;
}

}  // namespace gm
