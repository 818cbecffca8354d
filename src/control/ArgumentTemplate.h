#pragma once
// Argument templates in the AmigaDOS notation that command-port scripts are written against:
// "KNOB/A,UPDOWN/A" names the arguments in order; "/A" marks a required one, "/N" a decimal number
// (32-bit signed), "/F" one that takes the rest of the line, spaces and all.
//
// An argument line gives values by position or by name ("UPDOWN=UP" or "UPDOWN UP"; names compare
// without regard to case). A value in double quotes may hold spaces; inside the quotes "*" escapes
// the next character: *" is a quote, ** a star, *N a line feed, *E an escape.

#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>

namespace gm {

class ArgumentTemplate {
 public:
  struct Item {
    QByteArray name;
    bool required = false;  // /A
    bool number = false;    // /N
    bool rest = false;      // /F
  };
  // One per template item, in template order. A number argument that was not given has given false.
  struct Argument {
    bool given = false;
    QByteArray text;
    std::int32_t number = 0;
  };

  // `text` is a template such as "DECK/A" or "VALUE/N"; "" takes no arguments. Modifiers other than
  // /A, /N and /F are not understood and are ignored.
  explicit ArgumentTemplate(const char* text);

  const std::vector<Item>& items() const { return items_; }

  // [any-thread] Fills `arguments` from an argument line. False, with `error` saying what is wrong,
  // when the line does not fit: a required argument missing, a number that is none or out of the
  // 32-bit range, more values than the template has, a quote left open.
  bool parse(QByteArrayView line, std::vector<Argument>& arguments, QByteArray& error) const;

  // The value written so that parse() reads it back unchanged: in quotes, with quotes, stars, line
  // feeds and escapes escaped.
  static QByteArray quoted(QByteArrayView value);

 private:
  struct Cursor;
  int itemNamed(QByteArrayView name) const;
  int namedItem(QByteArrayView word, const std::vector<Argument>& arguments) const;
  bool takeNamedValue(int item, qsizetype start, QByteArray& word, Cursor& cursor, QByteArray& error) const;
  int firstNotGiven(const std::vector<Argument>& arguments) const;
  bool assign(int item, QByteArray value, std::vector<Argument>& arguments, QByteArray& error) const;

  std::vector<Item> items_;
};

}  // namespace gm
