#include "control/MidiBindingText.h"

#include <QList>

namespace gm {
namespace {

constexpr const char* kKindNames[] = {"note", "cc", "cc14", "bend"};
constexpr int kChannels = 16;
constexpr int kLargestNumber = 127;

QByteArray escaped(const QString& port) {
  QByteArray bytes = port.toUtf8();
  bytes.replace("%", "%25").replace(":", "%3A").replace("\n", "%0A").replace("\r", "%0D");
  return bytes;
}

QString unescaped(QByteArray bytes) {
  bytes.replace("%3A", ":").replace("%3a", ":").replace("%0A", "\n").replace("%0a", "\n");
  bytes.replace("%0D", "\r").replace("%0d", "\r").replace("%25", "%");
  return QString::fromUtf8(bytes);
}

QByteArray controlText(const MidiControl& control, char separator) {
  return QByteArray(kKindNames[int(control.kind)]) + separator + QByteArray::number(control.channel + 1) + separator +
         QByteArray::number(control.number);
}

std::optional<int> number(const QByteArray& text, int smallest, int largest) {
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok || value < smallest || value > largest) return std::nullopt;
  return value;
}

// kind, channel and number from three words; none when one is not valid.
std::optional<MidiControl> control(const QByteArray& kind, const QByteArray& channel, const QByteArray& numberText) {
  MidiControl control;
  const auto* found = std::find(std::begin(kKindNames), std::end(kKindNames), kind);
  if (found == std::end(kKindNames)) return std::nullopt;
  control.kind = MidiControlKind(found - std::begin(kKindNames));
  const std::optional<int> channelNumber = number(channel, 1, kChannels);
  const std::optional<int> controlNumber = number(numberText, 0, kLargestNumber);
  if (!channelNumber || !controlNumber) return std::nullopt;
  control.channel = std::uint8_t(*channelNumber - 1);
  control.number = std::uint8_t(*controlNumber);
  return control;
}

}  // namespace

QByteArray MidiBindingText::format(const MidiBinding& binding) {
  QByteArray line = controlText(binding.control, ' ');
  line += binding.encoding == MidiRelativeEncoding::Centred ? " 64 " : " 2c ";
  line += binding.modifier ? controlText(*binding.modifier, '/') : QByteArray("-");
  return line + ' ' + escaped(binding.control.port);
}

std::optional<MidiBinding> MidiBindingText::parse(const QByteArray& line) {
  // Five words, then the port name, which may hold spaces.
  QList<QByteArray> words;
  qsizetype start = 0;
  while (words.size() < 5) {
    const qsizetype space = line.indexOf(' ', start);
    if (space < 0) return std::nullopt;
    words.append(line.mid(start, space - start));
    start = space + 1;
  }
  MidiBinding binding;
  const std::optional<MidiControl> bound = control(words[0], words[1], words[2]);
  const QString port = unescaped(line.mid(start));
  if (!bound || port.isEmpty()) return std::nullopt;
  binding.control = *bound;
  binding.control.port = port;
  if (words[3] == "64") {
    binding.encoding = MidiRelativeEncoding::Centred;
  } else if (words[3] != "2c") {
    return std::nullopt;
  }
  if (words[4] != "-") {
    const QList<QByteArray> parts = words[4].split('/');
    const std::optional<MidiControl> modifier = parts.size() == 3 ? control(parts[0], parts[1], parts[2]) : std::nullopt;
    if (!modifier) return std::nullopt;
    binding.modifier = *modifier;
    binding.modifier->port = port;
  }
  return binding;
}

}  // namespace gm
