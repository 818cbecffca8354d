#pragma once
// The small triangles that mark the playhead and the cue point on the deck views' edges. They are
// filled row by row, from the base on the edge to the tip, so that the raster and the OpenGL paint
// engines put them on exactly the same pixels (their polygon rules differ at the edges).

class QColor;
class QPainter;

namespace gm {

// Row r (0 on the edge) spans centreX ± halfWidth × (rows − r) / rows. A triangle hanging from the
// top has its base on row baseY; one standing on the bottom (pointingDown false) has it on baseY − 1.
void fillMarkerTriangle(QPainter& painter, int centreX, int baseY, int halfWidth, int rows, bool pointingDown,
                        const QColor& colour);

}  // namespace gm
