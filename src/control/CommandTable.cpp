#include "control/CommandTable.h"

#include "control/AsciiText.h"

namespace gm {

void CommandTable::add(const char* name, const char* argumentTemplate, Handler handler) {
  rows_.push_back(Row{name, ArgumentTemplate(argumentTemplate), std::move(handler)});
}

CommandReply CommandTable::execute(QByteArrayView line) const {
  if (line.endsWith('\r')) line.chop(1);
  qsizetype start = 0;
  while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) ++start;
  qsizetype end = start;
  while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
  const QByteArrayView name = line.sliced(start, end - start);
  for (const Row& row : rows_) {
    if (!AsciiText::equalsIgnoringCase(name, row.name)) continue;
    Arguments arguments;
    QByteArray error;
    if (!row.argumentTemplate.parse(line.sliced(end), arguments, error)) {
      return CommandReply::error(CommandReply::kBadArgument, row.name + ": " + error);
    }
    return row.handler(arguments);
  }
  return CommandReply::error(CommandReply::kUnknownCommand, "unknown command");
}

QByteArrayList CommandTable::names() const {
  QByteArrayList names;
  for (const Row& row : rows_) names << row.name;
  return names;
}

}  // namespace gm
