// The diagram in a qdf built without Graphviz (the Windows build): the
// command is there, and says it cannot draw.
#include "diagram.h"

#include "commands.h"

namespace qdf {

const bool kDiagramsDrawn = false;

std::string DrawDiagram(const Diagram&, DiagramFormat) {
    throw Failure(kExitUsage, kWithoutGraphvizText);
}

}  // namespace qdf
