#include "recorder/ui/RecorderPanel.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include "core/CatalogTable.h"
#include "recorder/Recorder.h"
#include "widgets/ConsoleStyle.h"
#include "widgets/ValueBinding.h"

namespace gm {
namespace {

constexpr int kDotPixels = 14;

const char* const kPanelRules = R"(
QGroupBox { color: #8a8a94; font-size: 8pt; font-weight: bold; border: 1px solid #3a3a40; border-radius: 3px;
            margin-top: 7px; padding: 4px 6px 3px 6px; }
QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }
QPushButton#recordButton { min-width: 30px; padding: 3px 6px; }
QPushButton#recordButton:checked { background: #c81e1e; border-color: #ff7070; }
QLabel#recordTime { color: #e0e0e0; font-family: monospace; font-size: 11pt; font-weight: bold; }
)";

// The record image: a red dot, dimmed while not recording.
QIcon recordIcon() {
  QIcon icon;
  for (const bool on : {false, true}) {
    QPixmap dot(kDotPixels, kDotPixels);
    dot.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(on ? QColor(255, 235, 235) : QColor(220, 40, 40));
    painter.drawEllipse(QRectF(1, 1, kDotPixels - 2, kDotPixels - 2));
    painter.end();
    icon.addPixmap(dot, QIcon::Normal, on ? QIcon::On : QIcon::Off);
  }
  return icon;
}

}  // namespace

RecorderPanel::RecorderPanel(Recorder& recorder, QWidget* parent) : QGroupBox(msg(Msg::RecordingTitle), parent) {
  setObjectName("recorder");
  setStyleSheet(console_style::buttonSheet(kPanelRules));
  button_ = new QPushButton(this);
  button_->setObjectName("recordButton");
  button_->setIcon(recordIcon());
  button_->setIconSize(QSize(kDotPixels, kDotPixels));
  button_->setToolTip(msg(Msg::RecordButtonHelp));
  button_->setFocusPolicy(Qt::NoFocus);  // keys belong to the mapped shortcuts
  ValueBinding::bind(*button_, recorder.recordButton());

  time_ = new QLabel(recorder.elapsedText(), this);
  time_->setObjectName("recordTime");
  time_->setAlignment(Qt::AlignCenter);
  connect(&recorder, &Recorder::elapsedChanged, time_, &QLabel::setText);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(2, 2, 2, 2);
  row->setSpacing(8);
  row->addWidget(button_);
  row->addWidget(time_, 1);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

}  // namespace gm
