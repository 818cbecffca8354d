#pragma once
// The controllers' input ports as the program names them. A port is named after its controller
// ("<client> <port>", or the port's own name when it already starts with the client's); a second
// identical controller gets " (2)" after the same name, so bindings can tell the two apart. A port
// keeps its name while it stays plugged in.

#include <cstdint>
#include <optional>
#include <vector>

#include <QString>

namespace gm {

struct MidiPortInfo {
  std::uint32_t address = 0;               // the sequencer's client × 256 + port
  QString clientName;
  QString portName;
  std::optional<std::uint32_t> output;     // the same controller's port that takes messages
};

class MidiPortList {
 public:
  struct Port {
    MidiPortInfo info;
    QString name;
  };
  struct Changes {
    std::vector<QString> added;
    std::vector<QString> removed;
  };

  // [main-thread] The ports there now, in the sequencer's order; what came and went.
  Changes update(const std::vector<MidiPortInfo>& current);

  const Port* byAddress(std::uint32_t address) const;
  const Port* byName(const QString& name) const;
  const std::vector<Port>& ports() const { return ports_; }

  static QString baseName(const MidiPortInfo& info);

 private:
  QString uniqueName(const QString& base) const;

  std::vector<Port> ports_;
};

}  // namespace gm
