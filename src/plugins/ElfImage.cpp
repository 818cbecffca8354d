#include "plugins/ElfImage.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include <QFile>

#include "core/CatalogTable.h"

namespace gm {
namespace {

#if __SIZEOF_POINTER__ == 8
using Header = Elf64_Ehdr;
using ProgramHeader = Elf64_Phdr;
constexpr unsigned char kClass = ELFCLASS64;
#else
using Header = Elf32_Ehdr;
using ProgramHeader = Elf32_Phdr;
constexpr unsigned char kClass = ELFCLASS32;
#endif
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr unsigned char kByteOrder = ELFDATA2LSB;
#else
constexpr unsigned char kByteOrder = ELFDATA2MSB;
#endif

bool readAt(int fd, void* into, std::size_t size, off_t offset) {
  auto* bytes = static_cast<unsigned char*>(into);
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::pread(fd, bytes + got, size - got, offset + off_t(got));
    if (n <= 0) return false;
    got += std::size_t(n);
  }
  return true;
}

QString checkHeaders(int fd, std::uint64_t fileSize) {
  Header header{};
  if (!readAt(fd, &header, sizeof header, 0)) return msg(Msg::ReasonElfTooShort);
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) return msg(Msg::ReasonNotElf);
  if (header.e_ident[EI_CLASS] != kClass || header.e_ident[EI_DATA] != kByteOrder) {
    return msg(Msg::ReasonOtherMachine);
  }
  if (header.e_type != ET_DYN) return msg(Msg::ReasonNotSharedLibrary);
  if (header.e_phentsize != sizeof(ProgramHeader) || header.e_phnum == 0) return msg(Msg::ReasonDamagedHeaders);
  const std::uint64_t headersEnd = std::uint64_t(header.e_phoff) + std::uint64_t(header.e_phnum) * sizeof(ProgramHeader);
  if (headersEnd > fileSize) return msg(Msg::ReasonCutBeforeHeaders);
  std::vector<ProgramHeader> segments(header.e_phnum);
  if (!readAt(fd, segments.data(), segments.size() * sizeof(ProgramHeader), off_t(header.e_phoff))) {
    return msg(Msg::ReasonUnreadableHeaders);
  }
  for (const ProgramHeader& segment : segments) {
    if (segment.p_type != PT_LOAD && segment.p_type != PT_DYNAMIC) continue;
    const std::uint64_t end = std::uint64_t(segment.p_offset) + std::uint64_t(segment.p_filesz);
    if (end < segment.p_offset || end > fileSize) return msg(Msg::ReasonCutShortBytes).arg(fileSize).arg(end);
  }
  return {};
}

}  // namespace

QString ElfImage::problem(const QString& path) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return QString::fromLocal8Bit(std::strerror(errno));
  struct stat info {};
  QString problem;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    problem = msg(Msg::ReasonNotAFile);
  } else {
    problem = checkHeaders(fd, std::uint64_t(info.st_size));
  }
  ::close(fd);
  return problem;
}

}  // namespace gm
