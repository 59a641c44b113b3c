// A document's diagram drawn: laid out by Graphviz's dot and written as SVG,
// PNG or the DOT text of the graph. A qdf built without Graphviz has the
// command, and says so when it is asked to draw.
#ifndef QDF_DIAGRAM_H
#define QDF_DIAGRAM_H

#include <string>

#include "diagram_model.h"

namespace qdf {

enum class DiagramFormat { Svg, Dot, Png };

// Whether this qdf was built with Graphviz.
extern const bool kDiagramsDrawn;
// What a qdf built without Graphviz says when asked to draw.
constexpr char kWithoutGraphvizText[] = "this qdf was built without Graphviz: it cannot draw";

// The bytes of diagram in format: an SVG document, a PNG image, or the DOT
// text of the graph (without the layout's positions, for a user's own
// Graphviz to lay out). Every text of the document goes into the drawing
// only through diagram_labels.h. Safe to call from several threads: the
// calls into Graphviz, which keeps global state, are made one at a time.
// Throws Failure(kExitUsage) with kWithoutGraphvizText in a qdf built
// without Graphviz, and with Graphviz's own text when it cannot lay out or
// write the drawing.
std::string DrawDiagram(const Diagram& diagram, DiagramFormat format);

}  // namespace qdf

#endif  // QDF_DIAGRAM_H
