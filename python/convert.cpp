#include "convert.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "errors.h"

namespace twpy {

namespace {

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

py::object Steal(PyObject* object) {
    if (object == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(object);
}

py::object Utf8Object(std::string_view text) {
    return Steal(PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "strict"));
}

std::string_view Bytes(const CString& text) {
    return {text.GetString(), static_cast<std::size_t>(text.GetLength())};
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The edit distance of a and b, without regard to ASCII case.
std::size_t Distance(const std::string& a, const std::string& b) {
    const std::string x = Lower(a);
    const std::string y = Lower(b);
    std::vector<std::size_t> row(y.size() + 1);
    for (std::size_t j = 0; j <= y.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= x.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= y.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x[i - 1] != y[j - 1])});
            diagonal = above;
        }
    }
    return row[y.size()];
}

// The known name closest to name, when one is close enough to be meant.
std::string Closest(const std::string& name, const std::vector<std::string>& known) {
    std::string best;
    std::size_t bestDistance = std::max<std::size_t>(2, name.size() / 3) + 1;
    for (const std::string& candidate : known) {
        const std::size_t distance = Distance(name, candidate);
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace

json::Encoding EncodingNamed(const std::string& name) {
    const std::string lower = Lower(name);
    if (lower == "cp1252" || lower == "windows-1252") return json::Encoding::Windows1252;
    if (lower == "utf-8" || lower == "utf8") return json::Encoding::Utf8;
    throw py::value_error("unknown encoding '" + name + "': use 'cp1252' or 'utf-8'");
}

TextForm TextFormOf(const std::string& encoding, bool raw) {
    return TextForm{EncodingNamed(encoding), raw};
}

py::object TextObject(std::string_view bytes, const TextForm& form, std::string_view member) {
    if (form.raw) return py::bytes(bytes.data(), bytes.size());
    if (IsAscii(bytes)) {
        // Every encoding reads ASCII as it is: the bytes are copied in.
        PyObject* text = PyUnicode_New(static_cast<Py_ssize_t>(bytes.size()), 127);
        if (text == nullptr) throw py::error_already_set();
        if (!bytes.empty()) std::memcpy(PyUnicode_DATA(text), bytes.data(), bytes.size());
        return py::reinterpret_steal<py::object>(text);
    }
    try {
        return Utf8Object(json::DecodeText(bytes, form.encoding, member));
    } catch (const json::Error& error) {
        Fail(error.what());
    }
}

namespace {

// A list element's text; its place in the form is spelled only for a text
// that may fail to decode.
py::object ElementObject(std::string_view bytes, const TextForm& form, const char* path,
                         Py_ssize_t index) {
    if (form.raw || IsAscii(bytes)) return TextObject(bytes, form, path);
    return TextObject(bytes, form, std::string(path) + "[" + std::to_string(index) + "]");
}

}  // namespace

std::string Utf8Of(py::handle value, json::Encoding encoding, const std::string& member) {
    if (PyUnicode_Check(value.ptr())) {
        Py_ssize_t size = 0;
        const char* text = PyUnicode_AsUTF8AndSize(value.ptr(), &size);
        if (text == nullptr) {
            PyErr_Clear();
            Fail(member + ": the text is not valid Unicode (it holds a lone surrogate)");
        }
        return std::string(text, static_cast<std::size_t>(size));
    }
    if (PyBytes_Check(value.ptr())) {
        const std::string_view bytes(PyBytes_AS_STRING(value.ptr()),
                                     static_cast<std::size_t>(PyBytes_GET_SIZE(value.ptr())));
        try {
            return json::DecodeText(bytes, encoding, member);
        } catch (const json::Error& error) {
            Fail(error.what());
        }
    }
    throw py::type_error(member + ": must be a str or bytes, not " +
                         std::string(Py_TYPE(value.ptr())->tp_name));
}

std::string PathBytes(py::handle path) {
    const py::object encoded = py::module_::import("os").attr("fsencode")(path);
    return encoded.cast<std::string>();
}

py::object MemberObject(const CTWFileQDF& doc, const twfile::query::Member& member,
                        const TextForm& form) {
    using twfile::query::MemberKind;
    switch (member.kind) {
        case MemberKind::Text:
            return TextObject(Bytes(doc.*member.text), form, member.path);
        case MemberKind::Number:
            return py::int_(doc.*member.number);
        case MemberKind::Flag:
            return py::bool_(doc.*member.number != 0);
        case MemberKind::List:
            break;
    }
    const CPtrList* list = doc.*member.list;
    py::list items(list != nullptr ? list->GetCount() : 0);
    if (list == nullptr) return std::move(items);
    Py_ssize_t index = 0;
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
        const auto* item = static_cast<const CString*>(list->GetNext(pos));
        // The list keeps no null elements; the form shows none.
        if (item == nullptr) continue;
        PyList_SET_ITEM(items.ptr(), index,
                        ElementObject(Bytes(*item), form, member.path, index).release().ptr());
        ++index;
    }
    if (index < static_cast<Py_ssize_t>(items.size()))
        PyList_SetSlice(items.ptr(), index, static_cast<Py_ssize_t>(items.size()), nullptr);
    return std::move(items);
}

namespace {

// consumed, when not null, is doc: its lists are emptied as they are made.
py::dict Form(const CTWFileQDF& doc, const json::ReadReport& report, const TextForm& form,
              CTWFileQDF* consumed);

}  // namespace

py::dict DocumentObject(const CTWFileQDF& doc, const json::ReadReport& report,
                        const TextForm& form) {
    return Form(doc, report, form, nullptr);
}

py::dict ConsumeDocument(CTWFileQDF& doc, const json::ReadReport& report, const TextForm& form) {
    return Form(doc, report, form, &doc);
}

namespace {

py::dict Form(const CTWFileQDF& doc, const json::ReadReport& report, const TextForm& form,
              CTWFileQDF* consumed) {
    py::dict result;
    result["file"] = Utf8Object(json::ForeignText(report.file));
    for (const twfile::query::Member& member : twfile::query::Members()) {
        const json::Place place = json::PlaceOf(member);
        py::dict parent = result;
        if (!place.object.empty()) {
            if (!result.contains(place.object.c_str())) result[place.object.c_str()] = py::dict();
            parent = result[place.object.c_str()];
        }
        py::object value = MemberObject(doc, member, form);
        if (consumed != nullptr && member.kind == twfile::query::MemberKind::List) {
            // The list's memory is free for the next lists' objects: the
            // document and its form are never both whole.
            (consumed->*member.clear)();
        }
        if (place.index < 0) {
            parent[place.key.c_str()] = std::move(value);
            continue;
        }
        if (!parent.contains(place.key.c_str())) parent[place.key.c_str()] = py::list();
        parent[place.key.c_str()].cast<py::list>().append(std::move(value));
    }
    py::dict sections;
    for (int i = 0; i < CTWFileQDF::kIndicatorCount; ++i)
        sections[CTWFileQDF::SectionName(i)] = py::bool_(doc.m_bSectionRead[i] != 0);
    result["sectionsRead"] = std::move(sections);
    result["statusReport"] = Utf8Object(json::ForeignText(report.statusReport));
    if (!report.error) {
        result["error"] = py::none();
        return result;
    }
    py::dict error;
    error["number"] = report.error->number;
    error["message"] = Utf8Object(json::ForeignText(report.error->message));
    if (report.error->at) {
        error["line"] = report.error->at->line;
        error["byte"] = report.error->at->byte;
    }
    result["error"] = std::move(error);
    return result;
}

}  // namespace

namespace {

// Gives the events of a Python value's JSON to sink (json::JsonEvents, or
// TreeSink). place names the value in messages.
template <typename Sink>
void WalkForm(py::handle value, Sink& sink, json::Encoding encoding, const std::string& place) {
    PyObject* object = value.ptr();
    if (object == Py_None) return sink.Null();
    if (PyBool_Check(object)) return sink.Flag(object == Py_True);
    if (PyLong_Check(object)) {
        int overflow = 0;
        const long long number = PyLong_AsLongLongAndOverflow(object, &overflow);
        if (overflow != 0) Fail(place + ": does not fit in 32 bits");
        return sink.Integer(number);
    }
    if (PyFloat_Check(object)) return sink.Float(PyFloat_AS_DOUBLE(object));
    if (PyUnicode_Check(object)) {
        // The common value, without a copy: CPython keeps the UTF-8.
        Py_ssize_t size = 0;
        if (const char* text = PyUnicode_AsUTF8AndSize(object, &size))
            return sink.Text(std::string_view(text, static_cast<std::size_t>(size)));
        PyErr_Clear();
    }
    if (PyUnicode_Check(object) || PyBytes_Check(object))
        return sink.Text(Utf8Of(value, encoding, place));
    if (PyDict_Check(object)) {
        sink.StartObject();
        PyObject* key = nullptr;
        PyObject* item = nullptr;
        for (Py_ssize_t pos = 0; PyDict_Next(object, &pos, &key, &item);) {
            Py_ssize_t size = 0;
            const char* text = PyUnicode_Check(key) ? PyUnicode_AsUTF8AndSize(key, &size) : nullptr;
            if (text == nullptr) {
                PyErr_Clear();
                throw py::type_error(place + ": keys must be str");
            }
            const std::string_view name(text, static_cast<std::size_t>(size));
            sink.Key(name);
            WalkForm(item, sink, encoding,
                     place.empty() ? std::string(name) : place + "." + std::string(name));
        }
        return sink.EndObject();
    }
    if (PyList_Check(object) || PyTuple_Check(object)) {
        sink.StartArray();
        const Py_ssize_t count = PySequence_Fast_GET_SIZE(object);
        PyObject** items = PySequence_Fast_ITEMS(object);
        for (Py_ssize_t i = 0; i < count; ++i) {
            // A text, the common element, without its place spelled out.
            Py_ssize_t size = 0;
            const char* text =
                PyUnicode_Check(items[i]) ? PyUnicode_AsUTF8AndSize(items[i], &size) : nullptr;
            if (text != nullptr) {
                sink.Text(std::string_view(text, static_cast<std::size_t>(size)));
                continue;
            }
            PyErr_Clear();
            WalkForm(items[i], sink, encoding, place + "[" + std::to_string(i) + "]");
        }
        return sink.EndArray();
    }
    throw py::type_error((place.empty() ? std::string("the document") : place) +
                         ": a value of the JSON form must be a dict, list, str, bytes, int, "
                         "float, bool or None, not " +
                         std::string(Py_TYPE(object)->tp_name));
}

// Builds the tree of the events it is given.
class TreeSink {
  public:
    using Json = nlohmann::ordered_json;

    explicit TreeSink(Json& root) : m_root(root) {}

    void StartObject() { m_open.push_back(Put(Json::object())); }
    void StartArray() { m_open.push_back(Put(Json::array())); }
    void EndObject() { m_open.pop_back(); }
    void EndArray() { m_open.pop_back(); }
    void Key(std::string_view key) { m_key = key; }
    void Text(std::string_view text) { Put(std::string(text)); }
    void Integer(long long number) { Put(number); }
    void Float(double number) { Put(number); }
    void Flag(bool value) { Put(value); }
    void Null() { Put(nullptr); }

  private:
    // The open container's values keep their places while it is open: only
    // its last one can be open.
    Json* Put(Json value) {
        if (m_open.empty()) return &(m_root = std::move(value));
        Json& container = *m_open.back();
        if (container.is_object()) return &(container[m_key] = std::move(value));
        container.push_back(std::move(value));
        return &container.back();
    }

    Json& m_root;
    std::vector<Json*> m_open;
    std::string m_key;
};

}  // namespace

nlohmann::ordered_json JsonOf(py::handle value, json::Encoding encoding, const std::string& place) {
    nlohmann::ordered_json result;
    TreeSink sink(result);
    WalkForm(value, sink, encoding, place);
    return result;
}

void ApplyForm(py::handle form, CTWFileQDF& doc, json::Encoding encoding) {
    try {
        json::JsonEvents events(doc, encoding);
        WalkForm(form, events, encoding, "");
        events.Finish();
    } catch (const json::Error& error) {
        FailWithJsonError(error, "");
    }
}

void FailWithJsonError(const json::Error& error, const std::string& context) {
    std::string message = (context.empty() ? "" : context + ": ") + error.what();
    if (!error.unknownKey().empty()) {
        const std::string meant = Closest(error.unknownKey(), error.knownKeys());
        if (!meant.empty()) message += "; did you mean '" + meant + "'?";
    }
    // A refusal of the library leaves its message boxes behind.
    TakeDiagnostics();
    Fail(message);
}

}  // namespace twpy
