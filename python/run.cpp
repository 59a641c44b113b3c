// twfile.sql and twfile.run: the statement a document describes, and its
// rows from a database, read-only, through the safe-run engines.
#include "run.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>

#include <pybind11/stl.h>
#include <nlohmann/json.hpp>

#include <twfile/sql/database.h>
#include <twfile/sql/engine.h>
#include <twfile/sql/parameters.h>
#include <twfile/sql/run.h>
#include <twfile/sql/schema.h>
#include <twfile/sql/statement.h>

#include "convert.h"
#include "document.h"
#include "errors.h"
#include "interrupt.h"

namespace twpy {

namespace sql = twfile::sql;

namespace {

constexpr Failure::Kind kSql = Failure::Kind::Sql;

[[noreturn]] void FailSql(const std::string& message) {
    throw Failure(kSql, kModuleError, message);
}

// source with every text decoded from encoding to UTF-8, the engines' text.
sql::QuerySource Decoded(sql::QuerySource source, json::Encoding encoding) {
    const auto decode = [encoding](std::string& text, const char* member) {
        try {
            text = json::DecodeText(text, encoding, member);
        } catch (const json::Error& error) {
            Fail(error.what());
        }
    };
    const auto decodeAll = [&](std::vector<std::string>& texts, const char* member) {
        for (std::string& text : texts)
            decode(text, member);
    };
    decodeAll(source.tables, "tables");
    decodeAll(source.attributes, "attributes");
    decodeAll(source.nonDisplayAttributes, "nonDisplayAttributes");
    decodeAll(source.conditions, "conditions");
    decodeAll(source.joins, "joins");
    decodeAll(source.defaultValues, "defaultValues");
    decode(source.editedSQL, "editedSQL");
    decode(source.dynamicSort, "dynamicSort");
    decode(source.database, "database");
    return source;
}

sql::QuerySource Query(const py::object& doc, const std::string& encoding) {
    json::Encoding textEncoding = json::Encoding::Windows1252;
    sql::QuerySource source = QueryOf(doc, encoding, textEncoding);
    return Decoded(std::move(source), textEncoding);
}

// The values of params, a mapping of names to str, int or float.
sql::ParameterValues ValuesOf(const py::object& params) {
    sql::ParameterValues values;
    if (params.is_none()) return values;
    if (!py::isinstance<py::dict>(params)) throw py::type_error("params must be a dict");
    for (const auto& item : py::reinterpret_borrow<py::dict>(params)) {
        if (!py::isinstance<py::str>(item.first)) throw py::type_error("params: names must be str");
        const std::string name = item.first.cast<std::string>();
        const py::handle value = item.second;
        if (py::isinstance<py::bool_>(value)) {
            values[name] = value.ptr() == Py_True ? "TRUE" : "FALSE";
        } else if (py::isinstance<py::str>(value) || py::isinstance<py::int_>(value) ||
                   py::isinstance<py::float_>(value)) {
            values[name] = py::str(value).cast<std::string>();
        } else {
            throw py::type_error("params[" + name + "]: must be a str, int, float or bool");
        }
    }
    return values;
}

std::string Listed(const std::vector<std::string>& names) {
    std::string listed;
    for (const std::string& name : names)
        listed += (listed.empty() ? "" : ", ") + name;
    return listed;
}

// Refuses values that do not fit the statement's parameters, all in one
// message: a value no marker uses would be ignored.
void CheckParameters(const sql::QuerySource& source, const sql::ParameterValues& values,
                     sql::Dialect dialect) {
    sql::ParameterCheck check;
    if (sql::CheckParameterValues(source, values, dialect, check) < 0)
        FailWithPending("the statement", kSql);
    if (check.ok()) return;
    std::string message;
    for (const std::string& name : check.unknown) {
        message +=
            (message.empty() ? "" : "\n") + ("parameter " + name) +
            ": the document has no such parameter" +
            (check.names.empty() ? "; it has none" : "; its parameters: " + Listed(check.names));
    }
    if (!check.missing.empty()) {
        message += (message.empty() ? "" : "\n") +
                   std::string(check.missing.size() == 1 ? "the parameter " : "the parameters ") +
                   Listed(check.missing) + (check.missing.size() == 1 ? " has" : " have") +
                   " no value: give it in params";
    }
    FailSql(message);
}

sql::Statement Build(const sql::QuerySource& source, const sql::Schema* schema,
                     const py::object& params, sql::Dialect dialect) {
    const sql::ParameterValues values = ValuesOf(params);
    CheckParameters(source, values, dialect);
    sql::Statement statement;
    if (sql::BuildStatement(source, schema, values, dialect, statement) < 0)
        FailWithPending("the statement", kSql);
    return statement;
}

py::object ValueObject(const sql::Value& value) {
    switch (value.kind) {
        case sql::Value::Kind::Null:
            return py::none();
        case sql::Value::Kind::Integer:
            return py::int_(value.integer);
        case sql::Value::Kind::Real:
            return py::float_(value.real);
        case sql::Value::Kind::Text:
            // Bytes that are not UTF-8 become U+FFFD, as qdf run shows them.
            return py::reinterpret_steal<py::object>(PyUnicode_DecodeUTF8(
                value.bytes.data(), static_cast<Py_ssize_t>(value.bytes.size()), "replace"));
        case sql::Value::Kind::Blob:
            return py::bytes(value.bytes);
    }
    return py::none();
}

// Refuses a schema file's path that names something other than a regular
// file (a FIFO's open would wait), or nothing.
void RequireSchemaFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) FailSql(path + ": no such database or schema file");
        return;  // the open tells why
    }
    if (!S_ISREG(info.st_mode))
        FailSql(path + ": not a regular file (a directory, pipe, device or socket)");
}

// The engine for database, connected (twfile/sql/database.h). Call without
// Python's lock.
std::unique_ptr<sql::Engine> OpenDatabase(const std::string& database,
                                          const std::string& dataSource) {
    std::unique_ptr<sql::Engine> engine = sql::OpenDatabase(database, dataSource);
    if (!engine) FailWithPending("", kSql);
    return engine;
}

void LoadJsonSchema(const nlohmann::json& json, sql::Schema& schema, const std::string& name) {
    const auto tables = json.find("tables");
    if (!json.is_object() || tables == json.end() || !tables->is_object())
        Fail(name + ": a schema is an object with a \"tables\" object");
    for (const auto& table : tables->items()) {
        if (!table.value().is_object())
            Fail(name + ": table " + table.key() + ": its columns must be an object of types");
        schema.AddTable(table.key());
        for (const auto& column : table.value().items()) {
            if (!column.value().is_string()) {
                Fail(name + ": column " + table.key() + "." + column.key() +
                     ": its type must be a string");
            }
            schema.AddColumn(table.key(), column.key(), column.value().get<std::string>());
        }
    }
}

// Fills schema from a dict {"tables": {TABLE: {COLUMN: TYPE}}}, or the path
// of an SQLite database, a server as run takes it, or a JSON schema file.
void LoadSchemaFrom(const py::object& given, sql::Schema& schema, const std::string& dataSource) {
    if (py::isinstance<py::dict>(given)) {
        LoadJsonSchema(JsonOf(given, json::Encoding::Utf8, "schema"), schema, "schema");
        return;
    }
    const std::string path = PathBytes(given);
    const py::gil_scoped_release unlocked;
    const bool server = sql::IsServerDatabase(path);
    if (server || sql::IsSQLiteFile(path)) {
        const std::unique_ptr<sql::Engine> engine = OpenDatabase(path, dataSource);
        if (sql::LoadSchema(*engine, schema) < 0)
            FailWithPending("schema " + sql::ShownDatabase(path), kSql);
        engine->Close();
        return;
    }
    RequireSchemaFile(path);
    std::ifstream file(path, std::ios::binary);
    if (!file) Fail(path + ": cannot open the schema file: " + std::strerror(errno));
    nlohmann::json json;
    try {
        json = nlohmann::json::parse(std::istreambuf_iterator<char>(file),
                                     std::istreambuf_iterator<char>());
    } catch (const nlohmann::json::exception& error) {
        Fail(path + ": not an SQLite database nor a JSON schema: " + error.what());
    }
    LoadJsonSchema(json, schema, path);
}

sql::Dialect DialectNamed(const std::string& name) {
    if (name == "sqlite") return sql::Dialect::SQLite;
    if (name == "postgresql") return sql::Dialect::PostgreSQL;
    if (name == "odbc") return sql::Dialect::Odbc;
    throw py::value_error("unknown dialect '" + name + "': use 'sqlite', 'postgresql' or 'odbc'");
}

py::tuple Sql(const py::object& doc, const py::object& params, const py::object& schemaGiven,
              const std::string& dialectName, const std::string& encoding) {
    const sql::Dialect dialect = DialectNamed(dialectName);
    const sql::QuerySource source = Query(doc, encoding);
    sql::Schema schema;
    if (!schemaGiven.is_none()) LoadSchemaFrom(schemaGiven, schema, source.database);
    const sql::Statement statement =
        Build(source, schemaGiven.is_none() ? nullptr : &schema, params, dialect);
    py::list values;
    for (const sql::Binding& binding : statement.bindings)
        values.append(ValueObject(binding.value));
    return py::make_tuple(py::str(statement.text), values);
}

// The rows of a run, one at a time, in the manner of a DB-API cursor.
class Rows {
  public:
    Rows(std::unique_ptr<sql::Engine> engine, sql::Statement statement)
        : m_engine(std::move(engine)),
          m_watch(std::make_unique<InterruptWatch>(*m_engine)),
          m_statement(std::move(statement)) {}
    ~Rows() { Finish(); }
    Rows(const Rows&) = delete;
    Rows& operator=(const Rows&) = delete;

    // Prepares, binds and runs the statement.
    void Start() {
        try {
            const py::gil_scoped_release unlocked;
            Execute();
        } catch (const Failure&) {
            RaiseInterrupt();
            throw;
        }
    }

    py::tuple Next() {
        try {
            const py::gil_scoped_release unlocked;
            Step();
        } catch (const Failure&) {
            RaiseInterrupt();
            throw;
        }
        py::tuple row(m_row.size());
        for (std::size_t column = 0; column < m_row.size(); ++column)
            PyTuple_SET_ITEM(row.ptr(), static_cast<Py_ssize_t>(column),
                             ValueObject(m_row[column]).release().ptr());
        return row;
    }

    py::list Columns() const {
        py::list names;
        for (const std::string& name : m_columns)
            names.append(py::reinterpret_steal<py::object>(PyUnicode_DecodeUTF8(
                name.data(), static_cast<Py_ssize_t>(name.size()), "replace")));
        return names;
    }

    void Close() {
        const py::gil_scoped_release unlocked;
        const std::lock_guard<std::mutex> held(m_lock);
        Finish();
    }

  private:
    void Execute() {
        if (sql::PrepareStatement(*m_engine, m_statement) < 0) Abandon("the statement");
        for (std::size_t i = 0; i < m_statement.bindings.size(); ++i) {
            if (m_engine->Bind(static_cast<int>(i) + 1, m_statement.bindings[i].value,
                               m_statement.bindings[i].type) < 0)
                Abandon("the statement");
        }
        if (m_engine->Execute() < 0) Abandon("the statement");
        const int count = m_engine->ColumnCount();
        for (int column = 0; column < count; ++column)
            m_columns.push_back(m_engine->ColumnName(column));
        m_row.resize(m_columns.size());
    }

    // The next row into m_row.
    void Step() {
        const std::lock_guard<std::mutex> held(m_lock);
        if (!m_engine) throw py::stop_iteration();
        bool more = false;
        if (m_engine->Step(more) < 0)
            Abandon("the statement failed after " + std::to_string(m_count) + " rows");
        if (!more) {
            Finish();
            throw py::stop_iteration();
        }
        for (std::size_t column = 0; column < m_row.size(); ++column) {
            if (m_engine->Column(static_cast<int>(column), m_row[column]) < 0)
                Abandon("the statement failed after " + std::to_string(m_count) + " rows");
        }
        ++m_count;
    }

    // Raises the KeyboardInterrupt Python has pending when Ctrl-C cancelled
    // the work that failed (on Python's main thread, which takes signals).
    void RaiseInterrupt() {
        if (m_interrupted && PyErr_CheckSignals() < 0) throw py::error_already_set();
    }

    // Ends the statement and the connection.
    void Finish() {
        if (!m_engine) return;
        if (m_watch) m_interrupted = m_watch->Interrupted();
        m_watch.reset();
        m_engine->Finish();
        m_engine->Close();
        m_engine.reset();
        TakeDiagnostics();
    }

    [[noreturn]] void Abandon(const std::string& context) {
        const Diagnostics diagnostics = TakeDiagnostics();
        Finish();
        throw Failure(kSql, diagnostics.error ? diagnostics.error->number : kModuleError,
                      context + ": " +
                          (diagnostics.error ? LibraryText(diagnostics.error->message) : "failed"));
    }

    std::unique_ptr<sql::Engine> m_engine;
    std::unique_ptr<InterruptWatch> m_watch;
    bool m_interrupted = false;
    sql::Statement m_statement;
    std::vector<std::string> m_columns;
    std::vector<sql::Value> m_row;
    long long m_count = 0;
    std::mutex m_lock;
};

std::unique_ptr<Rows> Run(const py::object& doc, const py::object& db, const py::object& params,
                          const py::object& timeout, const std::string& encoding) {
    const sql::QuerySource source = Query(doc, encoding);
    const std::string database =
        py::isinstance<py::str>(db) && sql::IsOdbcDatabase(db.cast<std::string>())
            ? db.cast<std::string>()
            : PathBytes(db);
    unsigned seconds = 0;
    if (!timeout.is_none()) {
        const double wanted = timeout.cast<double>();
        if (!(wanted >= 0) || wanted > 86400.0 * 365)
            throw py::value_error("timeout must be 0 or more seconds");
        seconds = static_cast<unsigned>(wanted + 0.999);
    }
    std::unique_ptr<sql::Engine> engine;
    sql::Schema schema;
    {
        const py::gil_scoped_release unlocked;
        engine = OpenDatabase(database, source.database);
        engine->SetTimeout(seconds);
        if (sql::LoadSchema(*engine, schema) < 0)
            FailWithPending("the database " + sql::ShownDatabase(database), kSql);
    }
    if (!source.editedSQLSelected) {
        for (const std::string& table : source.tables) {
            if (schema.FindTable(table) == nullptr)
                FailSql("the database " + sql::ShownDatabase(database) + " has no table " + table);
        }
    }
    sql::Statement statement = Build(source, &schema, params, engine->SqlDialect());
    auto rows = std::make_unique<Rows>(std::move(engine), std::move(statement));
    rows->Start();
    return rows;
}

}  // namespace

void DefineRun(py::module_& module) {
    module.def("sql", &Sql, py::arg("doc"), py::arg("params") = py::none(),
               py::arg("schema") = py::none(), py::arg("dialect") = "sqlite",
               py::arg("encoding") = "cp1252",
               R"(The statement a document describes, as (text, values): the text with a ?
for each placeholder and the values bound to them, in order.

doc is a Document, a dict of the JSON form or a document's path. params
maps parameter names to values (str, int, float or bool); a name the
statement does not use, or a parameter with neither a value nor a default
value, raises SqlError. schema (an SQLite database, a JSON schema file, or a
dict {"tables": {TABLE: {COLUMN: TYPE}}}) gives the parameters' types.
dialect is "sqlite", "postgresql" or "odbc".)");

    py::class_<Rows>(module, "Rows",
                     "The rows of a run: an iterator of tuples, with the columns' names.")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", &Rows::Next)
        .def_property_readonly("columns", &Rows::Columns, "The columns' names.")
        .def_property_readonly(
            "description",
            [](const Rows& self) {
                py::list description;
                for (const py::handle name : self.Columns())
                    description.append(py::make_tuple(name, py::none(), py::none(), py::none(),
                                                      py::none(), py::none(), py::none()));
                return py::tuple(description);
            },
            "The columns as DB-API 2.0 describes them: (name, None, None, None, None, None, "
            "None) each.")
        .def(
            "fetchone",
            [](Rows& self) -> py::object {
                try {
                    return self.Next();
                } catch (const py::stop_iteration&) {
                    return py::none();
                }
            },
            "The next row, or None after the last.")
        .def(
            "fetchall",
            [](Rows& self) {
                py::list rows;
                for (;;) {
                    try {
                        rows.append(self.Next());
                    } catch (const py::stop_iteration&) {
                        return rows;
                    }
                }
            },
            "The rows not yet read, as a list.")
        .def("close", &Rows::Close, "Ends the statement and the connection; safe to call twice.")
        .def("__enter__", [](py::object self) { return self; })
        .def("__exit__", [](Rows& self, const py::args&) {
            self.Close();
            return false;
        });

    module.def("run", &Run, py::arg("doc"), py::arg("db"), py::arg("params") = py::none(),
               py::arg("timeout") = py::none(), py::arg("encoding") = "cp1252",
               R"(Runs the statement a document describes on a database and gives its rows
as they come: an iterator of tuples of int, float, str, bytes or None, with
.columns and .description.

db is an SQLite database file (opened read-only; it must exist), a
PostgreSQL server ("postgresql://...", "postgres:CONNINFO") or an ODBC
connection string ("odbc:..."; "odbc:" alone: the data source the document
names). The run never writes: the statement must be one that only reads, and
runs in a read-only transaction that is rolled back. timeout limits the
database's work on it, in seconds. Ctrl-C cancels the statement at work and
raises KeyboardInterrupt. Failures raise SqlError.)");
}

}  // namespace twpy
