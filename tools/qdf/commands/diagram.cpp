// qdf diagram: a document's tables, the attributes it uses of each and its
// joins, drawn by Graphviz.
#include <iostream>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "arguments.h"
#include "command_table.h"
#include "commands.h"
#include "diagnostics.h"
#include "diagram.h"
#include "diagram_model.h"
#include "loading.h"
#include "output.h"
#include "sql_source.h"

namespace qdf {

namespace sql = twfile::sql;

int RunDiagram(const DiagramOptions& options, std::ostream& out, std::ostream& err) {
    try {
        const bool toOut = options.output.empty() || options.output == "-";
        std::unique_ptr<ReplacingFile> file;
        if (!toOut) file = std::make_unique<ReplacingFile>(options.output);
        const auto doc = std::make_unique<CTWFileQDF>();
        const ExitStatus read = LoadToRead(options.file, *doc, err);
        if (read == kExitUsage) return kExitUsage;
        if (read == kNotADocument) return kExitFailed;
        const sql::QuerySource source = DecodedQuery(sql::QuerySourceOf(*doc), options.encoding);
        sql::Schema schema;
        if (!options.schema.empty()) LoadSchemaFile(options.schema, schema, source.database);
        const std::string drawn = DrawDiagram(
            BuildDiagram(source, options.schema.empty() ? nullptr : &schema), options.format);
        if (toOut) {
            out.write(drawn.data(), static_cast<std::streamsize>(drawn.size()));
        } else {
            file->stream().write(drawn.data(), static_cast<std::streamsize>(drawn.size()));
            file->Commit();
        }
        return read;
    } catch (const Failure& failure) {
        PrintMessage(err, "", failure.what());
        return failure.status();
    }
}

Action DefineDiagram(CLI::App& command) {
    auto o = Make<DiagramOptions>();
    command.add_option("FILE", o->file, "The .qdf file; - for standard input")->required();
    AddOutput(command, o->output,
              "Write to this file instead of standard output (- for standard output); it is "
              "replaced in one step when the drawing is done");
    AddChoice(
        command, "--format", o->format,
        std::map<std::string, DiagramFormat>{
            {"svg", DiagramFormat::Svg}, {"png", DiagramFormat::Png}, {"dot", DiagramFormat::Dot}},
        "svg (the default), png, or dot: the graph as DOT text, for Graphviz to lay out");
    command
        .add_option("--schema", o->schema,
                    "A database or JSON schema that gives each attribute's type and marks the "
                    "tables and attributes it lacks")
        ->option_text("SCHEMA");
    AddEncoding(command, o->encoding);
    command.footer(
        "Each table is a box listing the attributes the document uses of it: bold the columns "
        "of the result, italic the others, \"where\" those a condition tests. Each join is a "
        "line between its attributes, labelled with its text. Tables that no chain of joins "
        "connects to the first table are drawn apart, in a dashed red frame.");
    return [o] { return RunDiagram(*o, std::cout, std::cerr); };
}

}  // namespace qdf
