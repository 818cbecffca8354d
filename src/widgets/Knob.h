#pragma once
// A rotary control for the mixer's knobs (gain, equaliser bands, filter settings). It mirrors a
// BoundedValue: a horizontal drag moves the value (right = up) at `sensitivityPixels` pixels for
// the whole range, a right click during the drag cancels it, a double click or reset() restores
// the value the model was created with.

#include <cstdint>
#include <optional>

#include <QString>
#include <QWidget>

namespace gm {

class BoundedValue;

class Knob : public QWidget {
  Q_OBJECT
 public:
  static constexpr std::uint32_t kDefaultColourRgb = 0xE66800;
  static constexpr int kDefaultSensitivityPixels = 256;
  static constexpr int kDefaultSizeIndex = 2;
  static constexpr int kResizableSizeIndex = 4;

  // `model` must outlive the knob; its creation value becomes the knob's default value. The
  // label is fixed for the knob's life.
  explicit Knob(BoundedValue& model, const QString& label = {}, QWidget* parent = nullptr);

  BoundedValue& model() const { return model_; }
  QString label() const { return label_; }
  int defaultValue() const { return defaultValue_; }
  bool isDragging() const { return dragging_; }

  std::uint32_t colourRgb() const { return colourRgb_; }
  void setColourRgb(std::uint32_t rgb);

  // Size choice 0..4 (24, 32, 40, 48 pixels, or resizable from 24 to 48); any other index is
  // taken as 2. edgePixels() is 0 for the resizable choice.
  int sizeIndex() const { return sizeIndex_; }
  int edgePixels() const { return edgePixels_; }
  void setSizeIndex(int index);

  // Pixels of horizontal travel for the whole range (the user's mouse sensitivity setting).
  int sensitivityPixels() const { return sensitivityPixels_; }
  void setSensitivityPixels(int pixels);

  // [main-thread] Back to the default value, notifying like any other change.
  void reset();

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void changeEvent(QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void beginDrag(int x, std::uint64_t timestampMs);
  void dragTo(int x);
  void cancelDrag();
  void endDrag();
  bool formsDoubleClick(std::uint64_t timestampMs) const;
  void moveValueBy(double steps);
  int labelHeightPixels() const;
  void applySize();

  BoundedValue& model_;
  const QString label_;
  const int defaultValue_;
  std::uint32_t colourRgb_ = kDefaultColourRgb;
  int edgePixels_ = 40;
  int sizeIndex_ = kDefaultSizeIndex;
  int sensitivityPixels_ = kDefaultSensitivityPixels;

  bool dragging_ = false;
  int dragStartValue_ = 0;
  int lastMouseX_ = 0;
  float accumulator_ = 0.0f;  // fractional steps not yet applied, carried between moves
  std::optional<std::uint64_t> lastClickMs_;
  int wheelAngleRemainder_ = 0;
};

}  // namespace gm
