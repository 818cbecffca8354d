#pragma once
// A look at a plug-in file before it is mapped: a file cut short (a half-finished copy, an
// interrupted install) still starts with the ELF magic, but mapping it makes the program die of a bus
// error when the loader touches the missing pages. The file must hold its program headers and every
// loadable segment they name.

#include <QString>

namespace gm {

class ElfImage {
 public:
  // [main-thread] Empty when the file is a complete ELF shared object for this machine's word size
  // and byte order; otherwise what is wrong with it.
  static QString problem(const QString& path);
};

}  // namespace gm
