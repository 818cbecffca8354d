#include "tracks/ui/MarkerTriangle.h"

#include <QPainter>

namespace gm {

void fillMarkerTriangle(QPainter& painter, int centreX, int baseY, int halfWidth, int rows, bool pointingDown,
                        const QColor& colour) {
  for (int row = 0; row < rows; ++row) {
    const int half = halfWidth * (rows - row) / rows;
    const int y = pointingDown ? baseY + row : baseY - 1 - row;
    painter.fillRect(centreX - half, y, 2 * half + 1, 1, colour);
  }
}

}  // namespace gm
