#pragma once
// The "Recording" panel in the window's corner: the record button (lit red while recording) and the
// time the recording has run. It mirrors the recorder's model; the mapped event and the window drive
// the same button.

#include <QGroupBox>

class QLabel;
class QPushButton;

namespace gm {

class Recorder;

class RecorderPanel : public QGroupBox {
  Q_OBJECT
 public:
  explicit RecorderPanel(Recorder& recorder, QWidget* parent = nullptr);

 private:
  QPushButton* button_ = nullptr;
  QLabel* time_ = nullptr;
};

}  // namespace gm
