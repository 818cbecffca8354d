#include "control/MidiControl.h"

#include "core/CatalogTable.h"

namespace gm {

QString MidiControl::description() const {
  const QString channelText = QString::number(channel + 1);
  switch (kind) {
    case MidiControlKind::Note: return msg(Msg::MidiNoteControl).arg(port, channelText).arg(number);
    case MidiControlKind::Control: return msg(Msg::MidiCcControl).arg(port, channelText).arg(number);
    case MidiControlKind::Control14: return msg(Msg::MidiCc14Control).arg(port, channelText).arg(number);
    case MidiControlKind::PitchBend: return msg(Msg::MidiPitchBendControl).arg(port, channelText);
  }
  return {};
}

QString MidiBinding::description() const {
  if (!bound()) return {};
  if (!modifier) return control.description();
  return msg(Msg::MidiWithModifier).arg(control.description(), modifier->description());
}

}  // namespace gm
