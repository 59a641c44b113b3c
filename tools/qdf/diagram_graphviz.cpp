// The diagram laid out and written by Graphviz: a graph made with cgraph,
// laid out by dot and rendered to memory by gvc.
#include "diagram.h"

#include <memory>
#include <mutex>
#include <string>

#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>

#if defined(__SANITIZE_ADDRESS__)
#define QDF_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QDF_LEAK_CHECKED 1
#endif
#endif
#ifdef QDF_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
#endif

#include "commands.h"
#include "diagram_labels.h"

namespace qdf {

const bool kDiagramsDrawn = true;

namespace {

// Graphviz 2.42 itself leaks while it lays out and renders: the parse and
// sizing of HTML-like labels, dot's skeletons of clusters, its text layout
// plugin's font caches (pango, fontconfig). Under the leak checker, what
// Graphviz allocates inside those calls is not counted; what this file
// makes (the graph, its nodes, edges and texts) and frees still is. The
// libraries have no frame pointers, so suppressions by stack cannot tell
// their frames apart.
class GraphvizOwnLeaksIgnored {
  public:
#ifdef QDF_LEAK_CHECKED
    GraphvizOwnLeaksIgnored() {
        __lsan_disable();
    }
    ~GraphvizOwnLeaksIgnored() {
        __lsan_enable();
    }
#else
    GraphvizOwnLeaksIgnored() {}
#endif
    GraphvizOwnLeaksIgnored(const GraphvizOwnLeaksIgnored&) = delete;
    GraphvizOwnLeaksIgnored& operator=(const GraphvizOwnLeaksIgnored&) = delete;
};

// Graphviz keeps global state (its error handler among it): one drawing at
// a time.
std::mutex g_graphviz;
// What Graphviz said while drawing; its warnings are dropped, its errors
// make the message of the failure.
std::string g_said;

int Collect(char* text) {
    g_said += text;
    return 0;
}

char* Text(const char* text) {
    return const_cast<char*>(text);
}

void Set(void* object, const char* name, const char* value) {
    agsafeset(object, Text(name), Text(value), Text(""));
}

// A label of HTML-like text: Graphviz takes it as markup, never as a name
// or an escape sequence.
void SetHtml(Agraph_t* graph, void* object, const char* name, const std::string& html) {
    char* text = agstrdup_html(graph, Text(html.c_str()));
    agsafeset(object, Text(name), text, Text(""));
    agstrfree(graph, text);
}

[[noreturn]] void Fail(const std::string& what) {
    std::string said = g_said;
    while (!said.empty() && (said.back() == '\n' || said.back() == ' '))
        said.pop_back();
    throw Failure(kExitUsage, "Graphviz cannot " + what + (said.empty() ? "" : ": " + said));
}

struct GraphDeleter {
    void operator()(Agraph_t* graph) const { agclose(graph); }
};
struct ContextDeleter {
    void operator()(GVC_t* context) const { gvFreeContext(context); }
};
using Graph = std::unique_ptr<Agraph_t, GraphDeleter>;
using Context = std::unique_ptr<GVC_t, ContextDeleter>;

// The table the others are joined to: the first with a name.
std::string FirstTable(const Diagram& diagram) {
    for (const DiagramTable& table : diagram.tables) {
        if (!table.name.empty()) return table.name;
    }
    return "";
}

// The graph of diagram: one box per table (nodes "t0", "t1", ...; the names
// are Graphviz's, the document's texts are in the labels), the tables that
// no join reaches from the first inside a cluster of their own.
Graph MakeGraph(const Diagram& diagram) {
    Graph graph(agopen(Text("diagram"), Agdirected, nullptr));
    if (!graph) Fail("make a graph");
    Agraph_t* g = graph.get();
    Set(g, "rankdir", "LR");
    Set(g, "fontname", "Helvetica");
    Set(g, "fontsize", "10");
    Set(g, "labelloc", "b");
    SetHtml(g, g, "label", LegendLabel(diagram.typed));
    Agraph_t* apart = nullptr;
    for (const DiagramTable& table : diagram.tables) {
        if (!table.apart || apart != nullptr) continue;
        apart = agsubg(g, Text("cluster_apart"), 1);
        Set(apart, "style", "dashed");
        Set(apart, "color", "red");
        Set(apart, "fontcolor", "red");
        Set(apart, "labelloc", "t");
        SetHtml(g, apart, "label", "not joined to " + LabelText(FirstTable(diagram)));
    }
    std::vector<Agnode_t*> nodes;
    for (std::size_t i = 0; i < diagram.tables.size(); ++i) {
        const DiagramTable& table = diagram.tables[i];
        const std::string name = "t" + std::to_string(i);
        Agnode_t* node = agnode(table.apart ? apart : g, Text(name.c_str()), 1);
        Set(node, "shape", "plaintext");
        Set(node, "margin", "0");
        Set(node, "fontname", "Helvetica");
        SetHtml(g, node, "label", TableLabel(table, diagram.typed));
        nodes.push_back(node);
    }
    for (std::size_t i = 0; i < diagram.joins.size(); ++i) {
        const DiagramJoin& join = diagram.joins[i];
        const std::string name = "j" + std::to_string(i);
        Agedge_t* edge =
            agedge(g, nodes[join.fromTable], nodes[join.toTable], Text(name.c_str()), 1);
        Set(edge, "dir", "none");
        Set(edge, "fontname", "Helvetica");
        Set(edge, "fontsize", "9");
        Set(edge, "tailport", ("a" + std::to_string(join.fromAttribute)).c_str());
        Set(edge, "headport", ("a" + std::to_string(join.toAttribute)).c_str());
        SetHtml(g, edge, "label", JoinLabel(join));
    }
    if (!diagram.notes.empty()) {
        Agnode_t* notes = agnode(g, Text("notes"), 1);
        Set(notes, "shape", "note");
        Set(notes, "color", "red");
        Set(notes, "fontname", "Helvetica");
        SetHtml(g, notes, "label", NotesLabel(diagram));
    }
    return graph;
}

const char* FormatName(DiagramFormat format) {
    switch (format) {
        case DiagramFormat::Svg:
            return "svg";
        case DiagramFormat::Png:
            return "png";
        case DiagramFormat::Dot:
            break;
    }
    return "canon";
}

}  // namespace

std::string DrawDiagram(const Diagram& diagram, DiagramFormat format) {
    const std::lock_guard<std::mutex> lock(g_graphviz);
    g_said.clear();
    const agusererrf before = agseterrf(Collect);
    const agerrlevel_t level = agseterr(AGERR);
    struct Restore {
        agusererrf handler;
        agerrlevel_t level;
        ~Restore() {
            agseterrf(handler);
            agseterr(level);
        }
    } restore{before, level};

    // One context for the process, freed at its exit: Graphviz's text
    // layout plugin keeps a pointer to a font name that the context owns, so
    // a second context made after the first was freed would read freed
    // memory.
    static Context context;
    if (!context) {
        const GraphvizOwnLeaksIgnored ignored;
        context.reset(gvContext());
    }
    if (!context) Fail("start");
    const Graph graph = MakeGraph(diagram);
    int laidOut = 0;
    {
        const GraphvizOwnLeaksIgnored ignored;
        laidOut = gvLayout(context.get(), graph.get(), "dot");
    }
    if (laidOut != 0) {
        gvFreeLayout(context.get(), graph.get());
        Fail("lay out the diagram");
    }
    char* data = nullptr;
    unsigned int length = 0;
    int rendered = 0;
    {
        const GraphvizOwnLeaksIgnored ignored;
        rendered = gvRenderData(context.get(), graph.get(), FormatName(format), &data, &length);
    }
    std::string drawn;
    if (rendered == 0 && data != nullptr) drawn.assign(data, length);
    gvFreeRenderData(data);
    gvFreeLayout(context.get(), graph.get());
    if (rendered != 0 || drawn.empty()) Fail(std::string("write ") + FormatName(format));
    return drawn;
}

}  // namespace qdf
