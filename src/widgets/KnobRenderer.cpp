#include "widgets/KnobRenderer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <cairo.h>

namespace gm {

namespace {

constexpr double kSweepStartRadians = 0.75 * std::numbers::pi;  // lower left
constexpr double kSweepRadians = 1.5 * std::numbers::pi;        // round to lower right

struct Rgb {
  double r, g, b;
};

Rgb unpack(std::uint32_t rgb) {
  return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0};
}

// Blend towards white (amount > 0) or black (amount < 0).
Rgb shade(Rgb c, double amount) {
  const double target = amount > 0 ? 1.0 : 0.0;
  const double t = std::fabs(amount);
  return {c.r + (target - c.r) * t, c.g + (target - c.g) * t, c.b + (target - c.b) * t};
}

// A disabled knob keeps its shape but loses its colour, like the rest of the greyed-out strip.
Rgb greyed(Rgb c) {
  const double luma = 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
  const double grey = 0.22 + 0.25 * luma;
  return {grey, grey, grey};
}

void setSource(cairo_t* cr, Rgb c, double alpha = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

struct Geometry {
  double cx, cy;          // centre of the body
  double ringRadius;      // centre line of the value arc
  double ringWidth;
  double bodyRadius;
};

Geometry geometryFor(QSize size, int labelHeightPixels) {
  const double side = std::max(1, std::min(size.width(), size.height() - labelHeightPixels));
  Geometry g{};
  g.cx = size.width() / 2.0;
  g.cy = side / 2.0;
  g.ringWidth = std::max(2.0, side * 0.09);
  const double outer = side / 2.0 - 0.5;
  g.ringRadius = outer - g.ringWidth / 2.0;
  g.bodyRadius = std::max(1.0, outer - g.ringWidth - std::max(1.0, side * 0.05));
  return g;
}

void drawArcs(cairo_t* cr, const Geometry& g, const KnobRenderer::Look& look, Rgb body) {
  cairo_set_line_width(cr, g.ringWidth);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_source_rgb(cr, 0.11, 0.11, 0.12);
  cairo_arc(cr, g.cx, g.cy, g.ringRadius, kSweepStartRadians, kSweepStartRadians + kSweepRadians);
  cairo_stroke(cr);

  const double from = KnobRenderer::angleForFraction(std::min(look.originFraction, look.valueFraction));
  const double to = KnobRenderer::angleForFraction(std::max(look.originFraction, look.valueFraction));
  if (to - from < 1e-6) return;
  setSource(cr, shade(body, 0.25));
  cairo_arc(cr, g.cx, g.cy, g.ringRadius, from, to);
  cairo_stroke(cr);
}

void drawBody(cairo_t* cr, const Geometry& g, Rgb body) {
  const double r = g.bodyRadius;
  cairo_pattern_t* gradient =
      cairo_pattern_create_radial(g.cx - r * 0.35, g.cy - r * 0.4, 0.0, g.cx, g.cy, r * 1.05);
  const Rgb light = shade(body, 0.3);
  const Rgb dark = shade(body, -0.45);
  cairo_pattern_add_color_stop_rgb(gradient, 0.0, light.r, light.g, light.b);
  cairo_pattern_add_color_stop_rgb(gradient, 0.55, body.r, body.g, body.b);
  cairo_pattern_add_color_stop_rgb(gradient, 1.0, dark.r, dark.g, dark.b);
  cairo_arc(cr, g.cx, g.cy, r, 0.0, 2.0 * std::numbers::pi);
  cairo_set_source(cr, gradient);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(gradient);
  cairo_set_line_width(cr, 1.0);
  cairo_set_source_rgba(cr, 0.0, 0.0, 0.0, 0.6);
  cairo_stroke(cr);
}

void drawIndicator(cairo_t* cr, const Geometry& g, double fraction, bool enabled) {
  const double angle = KnobRenderer::angleForFraction(fraction);
  const double dx = std::cos(angle);
  const double dy = std::sin(angle);
  const double inner = g.bodyRadius * 0.25;
  const double outer = g.bodyRadius * 0.88;
  const double width = std::max(1.5, g.bodyRadius * 0.16);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_move_to(cr, g.cx + dx * inner, g.cy + dy * inner);
  cairo_line_to(cr, g.cx + dx * outer, g.cy + dy * outer);
  cairo_set_source_rgba(cr, 0.0, 0.0, 0.0, 0.35);  // a soft edge keeps the line readable on light colours
  cairo_set_line_width(cr, width + 1.5);
  cairo_stroke_preserve(cr);
  const double lightness = enabled ? 0.97 : 0.6;
  cairo_set_source_rgb(cr, lightness, lightness, lightness);
  cairo_set_line_width(cr, width);
  cairo_stroke(cr);
}

void drawLabel(cairo_t* cr, QSize size, const KnobRenderer::Look& look) {
  const QByteArray text = look.label.toUtf8();
  const QByteArray family = look.fontFamily.isEmpty() ? QByteArray("sans-serif") : look.fontFamily.toUtf8();
  cairo_select_font_face(cr, family.constData(), CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, look.fontPixelSize);
  cairo_font_extents_t font;
  cairo_font_extents(cr, &font);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.constData(), &extents);
  const double x = (size.width() - extents.x_advance) / 2.0;
  const double baseline = size.height() - font.descent;
  const double lightness = look.enabled ? 0.86 : 0.43;
  cairo_set_source_rgb(cr, lightness, lightness, lightness);
  cairo_move_to(cr, x, baseline);
  cairo_show_text(cr, text.constData());
}

}  // namespace

double KnobRenderer::angleForFraction(double fraction) {
  return kSweepStartRadians + std::clamp(fraction, 0.0, 1.0) * kSweepRadians;
}

QImage KnobRenderer::render(const Look& look, QSize logicalSize, double devicePixelRatio) {
  const double ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
  const int widthPixels = static_cast<int>(std::ceil(logicalSize.width() * ratio));
  const int heightPixels = static_cast<int>(std::ceil(logicalSize.height() * ratio));
  if (widthPixels <= 0 || heightPixels <= 0) return {};

  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, widthPixels, heightPixels);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return {};
  }
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, ratio, ratio);

  const Rgb body = look.enabled ? unpack(look.colourRgb) : greyed(unpack(look.colourRgb));
  const Geometry geometry = geometryFor(logicalSize, look.label.isEmpty() ? 0 : look.labelHeightPixels);
  drawArcs(cr, geometry, look, body);
  drawBody(cr, geometry, body);
  drawIndicator(cr, geometry, look.valueFraction, look.enabled);
  if (!look.label.isEmpty()) drawLabel(cr, logicalSize, look);
  cairo_destroy(cr);
  cairo_surface_flush(surface);

  // cairo's ARGB32 is premultiplied native-endian, the layout of this QImage format; the copy
  // detaches the pixels from the surface before it goes.
  const QImage wrapped(cairo_image_surface_get_data(surface), widthPixels, heightPixels,
                       cairo_image_surface_get_stride(surface), QImage::Format_ARGB32_Premultiplied);
  QImage image = wrapped.copy();
  cairo_surface_destroy(surface);
  image.setDevicePixelRatio(ratio);
  return image;
}

}  // namespace gm
