#include "control/ArgumentTemplate.h"

#include <limits>

#include <QByteArrayList>

#include "control/AsciiText.h"

namespace gm {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// A whole value as a 32-bit signed decimal number: an optional sign and at least one digit.
bool parseNumber(QByteArrayView text, std::int32_t& number) {
  qsizetype i = 0;
  const bool negative = !text.isEmpty() && text[0] == '-';
  if (!text.isEmpty() && (text[0] == '-' || text[0] == '+')) ++i;
  if (i == text.size()) return false;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
    if (value > std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1) return false;
  }
  value = negative ? -value : value;
  if (value > std::numeric_limits<std::int32_t>::max()) return false;
  number = std::int32_t(value);
  return true;
}

}  // namespace

// Reads an argument line item by item.
struct ArgumentTemplate::Cursor {
  QByteArrayView line;
  qsizetype pos = 0;

  bool atEnd() {
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    return pos == line.size();
  }

  // The next item: a quoted value (unescaped) or a run of non-blank bytes. False for an open quote.
  bool next(QByteArray& value, bool& quoted) {
    quoted = pos < line.size() && line[pos] == '"';
    value.clear();
    if (!quoted) {
      const qsizetype start = pos;
      while (pos < line.size() && !isBlank(line[pos])) ++pos;
      value = line.sliced(start, pos - start).toByteArray();
      return true;
    }
    for (++pos; pos < line.size(); ++pos) {
      const char c = line[pos];
      if (c == '"') {
        ++pos;
        return true;
      }
      if (c == '*' && pos + 1 < line.size()) value += unescape(line[++pos]);
      else value += c;
    }
    return false;
  }

  // Everything from here to the end of the line, less trailing blanks; a quoted value that fills it
  // alone is unquoted, anything else is taken as it stands.
  QByteArray rest() {
    qsizetype end = line.size();
    while (end > pos && isBlank(line[end - 1])) --end;
    Cursor whole{line.first(end), pos};
    QByteArray value;
    bool quoted = false;
    if (!(whole.next(value, quoted) && quoted && whole.pos == end)) value = line.sliced(pos, end - pos).toByteArray();
    pos = line.size();
    return value;
  }

  static char unescape(char c) {
    switch (c) {
      case 'N': case 'n': return '\n';
      case 'E': case 'e': return '\x1b';
      default: return c;  // *" and ** give the character itself
    }
  }
};

ArgumentTemplate::ArgumentTemplate(const char* text) {
  for (const QByteArray& part : QByteArray(text).split(',')) {
    if (part.isEmpty()) continue;
    const QList<QByteArray> fields = part.split('/');
    Item item;
    item.name = fields.front();
    for (qsizetype i = 1; i < fields.size(); ++i) {
      const QByteArray modifier = fields[i].toUpper();
      item.required |= modifier == "A";
      item.number |= modifier == "N";
      item.rest |= modifier == "F";
    }
    items_.push_back(item);
  }
}

int ArgumentTemplate::itemNamed(QByteArrayView name) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (AsciiText::equalsIgnoringCase(name, items_[i].name)) return int(i);
  }
  return -1;
}

bool ArgumentTemplate::assign(int item, QByteArray value, std::vector<Argument>& arguments, QByteArray& error) const {
  const Item& itemOf = items_[std::size_t(item)];
  Argument& argument = arguments[std::size_t(item)];
  if (itemOf.number && !parseNumber(value, argument.number)) {
    error = itemOf.name + " is not a number";
    return false;
  }
  argument.given = true;
  argument.text = std::move(value);
  return true;
}

bool ArgumentTemplate::parse(QByteArrayView line, std::vector<Argument>& arguments, QByteArray& error) const {
  arguments.assign(items_.size(), Argument{});
  Cursor cursor{line};
  while (!cursor.atEnd()) {
    const qsizetype start = cursor.pos;
    QByteArray value;
    bool quoted = false;
    if (!cursor.next(value, quoted)) {
      error = "a quote is not closed";
      return false;
    }
    int item = quoted ? -1 : namedItem(value, arguments);
    if (item >= 0) {
      if (!takeNamedValue(item, start, value, cursor, error)) return false;
    } else {
      item = firstNotGiven(arguments);
      if (item < 0) {
        error = "too many arguments";
        return false;
      }
      if (items_[std::size_t(item)].rest) {
        cursor.pos = start;
        value = cursor.rest();
      }
    }
    if (!assign(item, std::move(value), arguments, error)) return false;
  }
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].required && !arguments[i].given) {
      error = "missing " + items_[i].name;
      return false;
    }
  }
  return true;
}

int ArgumentTemplate::namedItem(QByteArrayView word, const std::vector<Argument>& arguments) const {
  const qsizetype equals = word.indexOf('=');
  const int item = itemNamed(equals > 0 ? word.first(equals) : word);
  return item >= 0 && !arguments[std::size_t(item)].given ? item : -1;
}

// The word at `start` named the item, as "NAME=value" or as "NAME" with the value next; on return
// `word` holds the value and the cursor stands after it.
bool ArgumentTemplate::takeNamedValue(int item, qsizetype start, QByteArray& word, Cursor& cursor,
                                      QByteArray& error) const {
  const Item& itemOf = items_[std::size_t(item)];
  const qsizetype equals = word.indexOf('=');
  if (equals > 0) {
    cursor.pos = start + equals + 1;  // read again from there: the value may be quoted
  } else if (cursor.atEnd()) {
    error = itemOf.name + " needs a value";
    return false;
  }
  if (itemOf.rest) {
    word = cursor.rest();
    return true;
  }
  bool quoted = false;
  if (!cursor.next(word, quoted)) {
    error = "a quote is not closed";
    return false;
  }
  return true;
}

int ArgumentTemplate::firstNotGiven(const std::vector<Argument>& arguments) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (!arguments[i].given) return int(i);
  }
  return -1;
}

QByteArray ArgumentTemplate::quoted(QByteArrayView value) {
  QByteArray out = "\"";
  for (const char c : value) {
    switch (c) {
      case '"': out += "*\""; break;
      case '*': out += "**"; break;
      case '\n': out += "*N"; break;
      case '\x1b': out += "*E"; break;
      default: out += c;
    }
  }
  return out + '"';
}

}  // namespace gm
