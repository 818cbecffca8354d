#pragma once
// The command port's table: each command's name, argument template and handler. A command line is
// "NAME arguments"; the name compares without regard to case, the arguments are parsed by the
// command's template before its handler sees them, so handlers deal only with well-formed input.

#include <functional>
#include <vector>

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>

#include "control/ArgumentTemplate.h"
#include "control/CommandReply.h"

namespace gm {

class CommandTable {
 public:
  using Arguments = std::vector<ArgumentTemplate::Argument>;  // in template order
  using Handler = std::function<CommandReply(const Arguments&)>;

  // [main-thread] A command at the end of the table.
  void add(const char* name, const char* argumentTemplate, Handler handler);
  // [main-thread] Runs one command line (without its line feed; a carriage return before it is
  // dropped): an unknown name, or arguments that do not fit the template, are answered without
  // running anything.
  CommandReply execute(QByteArrayView line) const;
  // The command names in table order.
  QByteArrayList names() const;

 private:
  struct Row {
    QByteArray name;
    ArgumentTemplate argumentTemplate;
    Handler handler;
  };
  std::vector<Row> rows_;
};

}  // namespace gm
