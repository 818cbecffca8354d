#pragma once
// Draws a knob with cairo: a shaded round body in the knob's colour, an indicator whose rotation
// shows the value over a 270 degree sweep, a value arc around it and the caption in the gap at the
// bottom. Pure drawing, so it can be tried at any size and pixel ratio without a widget.

#include <cstdint>

#include <QImage>
#include <QSize>
#include <QString>

namespace gm {

class KnobRenderer {
 public:
  struct Look {
    std::uint32_t colourRgb = 0xE66800;  // 0xRRGGBB of the body
    double valueFraction = 0.0;          // 0 = minimum, 1 = maximum
    double originFraction = 0.0;         // where the value arc starts (the zero of a centred range)
    bool enabled = true;
    QString label;                       // drawn under the body when not empty
    QString fontFamily;
    double fontPixelSize = 11.0;
    int labelHeightPixels = 0;           // the strip at the bottom reserved for the label
  };

  // Renders into an image of `logicalSize` device-independent pixels at `devicePixelRatio`;
  // returns a null image for an empty size or when cairo cannot allocate the surface.
  static QImage render(const Look& look, QSize logicalSize, double devicePixelRatio);

  // The indicator's angle in radians (cairo's convention: clockwise from the positive x axis).
  static double angleForFraction(double fraction);
};

}  // namespace gm
