// twfile.Document: a document object over the library's document, its members
// as attributes named as the keys of the JSON form in snake case, its lists
// live views.
#include "document.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include <pybind11/stl.h>

#include "convert.h"
#include "errors.h"
#include "files.h"

namespace twpy {

namespace {

using twfile::query::Member;
using twfile::query::MemberKind;

// The document and what the module knows of it. Its lock is held by every
// operation, so that a document used on several threads is used by one at a
// time.
struct State {
    CTWFileQDF doc;
    std::mutex lock;
    TextForm form;
    // The file it was opened from or saved to (its bytes), when any.
    std::string path;
    bool hasFile = false;
    bool readOnly = false;
    std::string statusReport;
};

using StatePtr = std::shared_ptr<State>;

// Holds the state's lock; Python's lock is released only while waiting for
// it, so that a thread that holds it for a save is never kept waiting.
class Held {
  public:
    explicit Held(State& state) : m_lock(state.lock, std::try_to_lock) {
        if (m_lock.owns_lock()) return;
        const py::gil_scoped_release unlocked;
        m_lock.lock();
    }

  private:
    std::unique_lock<std::mutex> m_lock;
};

// "editedSQL" as "edited_sql", "nonDisplayAttributes" as
// "non_display_attributes".
std::string SnakeCase(const std::string& name) {
    std::string snake;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool upper = c >= 'A' && c <= 'Z';
        if (upper && i > 0) {
            const char before = name[i - 1];
            const bool afterLower =
                (before >= 'a' && before <= 'z') || (before >= '0' && before <= '9');
            const bool nextLower = i + 1 < name.size() && name[i + 1] >= 'a' && name[i + 1] <= 'z';
            const bool beforeUpper = before >= 'A' && before <= 'Z';
            if (afterLower || (beforeUpper && nextLower)) snake += '_';
        }
        snake += upper ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return snake;
}

// An attribute: one member, or the members of one array (printer.strings).
struct Attribute {
    std::vector<const Member*> members;
    bool array = false;
};

// The attributes of the document (group "") and of each of its objects.
struct Attributes {
    // Group name (snake case) to its attributes by name (snake case).
    std::map<std::string, std::map<std::string, Attribute>> groups;
};

const Attributes& AttributeTable() {
    static const Attributes table = [] {
        Attributes built;
        for (const Member& member : twfile::query::Members()) {
            const json::Place place = json::PlaceOf(member);
            Attribute& attribute = built.groups[SnakeCase(place.object)][SnakeCase(place.key)];
            attribute.members.push_back(&member);
            attribute.array = place.index >= 0;
        }
        return built;
    }();
    return table;
}

void Apply(State& state, const Member& member, py::handle value) {
    const nlohmann::ordered_json json = JsonOf(value, state.form.encoding, member.path);
    try {
        json::ApplyMember(json, member, state.doc, state.form.encoding);
    } catch (const json::Error& error) {
        FailWithJsonError(error, "");
    }
}

py::object Get(State& state, const Attribute& attribute);
void Set(State& state, const Attribute& attribute, py::handle given);

// Any iterable of texts (a TextList, a generator) as a list, read before the
// document is held: it may read the document itself.
py::object Listed(py::handle value) {
    if (py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value) ||
        !py::isinstance<py::iterable>(value))
        return py::reinterpret_borrow<py::object>(value);
    return py::list(py::reinterpret_borrow<py::iterable>(value));
}

// A list member of a document, live: what is done to it is done to the
// document's list.
class TextList {
  public:
    TextList(StatePtr state, const Member* member) : m_state(std::move(state)), m_member(member) {}

    Py_ssize_t Length() {
        const Held held(*m_state);
        return List().GetCount();
    }

    py::object Item(const py::object& index) {
        const Held held(*m_state);
        if (py::isinstance<py::slice>(index)) return Whole()[index];
        POSITION pos = List().FindIndex(Index(index, false));
        return Text(*static_cast<CString*>(List().GetAt(pos)), Index(index, false));
    }

    void SetItem(const py::object& index, const py::object& given) {
        const bool slice = py::isinstance<py::slice>(index);
        const py::object value = slice ? Listed(given) : given;
        const Held held(*m_state);
        if (slice) {
            py::list items = Whole();
            items[index] = value;
            Apply(*m_state, *m_member, items);
            return;
        }
        const int at = Index(index, false);
        const std::string bytes = Encoded(value, at);
        auto* item = static_cast<CString*>(List().GetAt(List().FindIndex(at)));
        *item = CString(bytes.data(), static_cast<int>(bytes.size()));
    }

    void DeleteItem(const py::object& index) {
        const Held held(*m_state);
        if (py::isinstance<py::slice>(index)) {
            py::list items = Whole();
            PyObject_DelItem(items.ptr(), index.ptr());
            Apply(*m_state, *m_member, items);
            return;
        }
        const POSITION pos = List().FindIndex(Index(index, false));
        delete static_cast<CString*>(List().GetAt(pos));
        List().RemoveAt(pos);
    }

    void Insert(const py::object& index, const py::object& value) {
        const Held held(*m_state);
        const int at = Index(index, true);
        const std::string bytes = Encoded(value, at);
        auto item = std::make_unique<CString>(bytes.data(), static_cast<int>(bytes.size()));
        if (at >= List().GetCount()) {
            List().AddTail(item.get());
        } else {
            List().InsertBefore(List().FindIndex(at), item.get());
        }
        item.release();
    }

    py::list Copy() {
        const Held held(*m_state);
        return Whole();
    }

  private:
    CPtrList& List() {
        CPtrList* list = m_state->doc.*m_member->list;
        if (list == nullptr) Fail(std::string(m_member->path) + ": the document has no list");
        return *list;
    }

    py::list Whole() { return MemberObject(m_state->doc, *m_member, m_state->form); }

    // index as a position of the list; for an insert, clamped as list.insert
    // clamps it.
    int Index(const py::object& index, bool insert) {
        const long count = List().GetCount();
        long at = py::cast<long>(index);
        if (at < 0) at += count;
        if (insert) return static_cast<int>(std::max(0L, std::min(at, count)));
        if (at < 0 || at >= count) throw py::index_error("list index out of range");
        return static_cast<int>(at);
    }

    std::string Place(int index) const {
        return std::string(m_member->path) + "[" + std::to_string(index) + "]";
    }

    py::object Text(const CString& text, int index) {
        return TextObject({text.GetString(), static_cast<std::size_t>(text.GetLength())},
                          m_state->form, Place(index));
    }

    std::string Encoded(const py::object& value, int index) {
        const std::string place = Place(index);
        const std::string text = Utf8Of(value, m_state->form.encoding, place);
        try {
            return json::EncodeText(text, m_state->form.encoding, place);
        } catch (const json::Error& error) {
            Fail(error.what());
        }
    }

    StatePtr m_state;
    const Member* m_member;
};

// One object of the form (flags, time, display, printer, dynamic_sort): its
// members as attributes.
class Group {
  public:
    Group(StatePtr state, std::string name) : m_state(std::move(state)), m_name(std::move(name)) {}

    py::object GetAttribute(const std::string& name) { return Get(*m_state, Find(name)); }
    void SetAttribute(const std::string& name, const py::object& value) {
        Set(*m_state, Find(name), value);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : AttributeTable().groups.at(m_name))
            names.push_back(entry.first);
        return names;
    }
    py::dict ToDict() {
        py::dict values;
        for (const std::string& name : Names())
            values[name.c_str()] = GetAttribute(name);
        return values;
    }

  private:
    const Attribute& Find(const std::string& name) const {
        const auto& attributes = AttributeTable().groups.at(m_name);
        const auto found = attributes.find(name);
        if (found == attributes.end())
            throw py::attribute_error("'" + m_name + "' has no attribute '" + name + "'");
        return found->second;
    }

    StatePtr m_state;
    std::string m_name;
};

py::object Get(State& state, const Attribute& attribute) {
    const Held held(state);
    if (attribute.array) {
        py::list items;
        for (const Member* member : attribute.members)
            items.append(MemberObject(state.doc, *member, state.form));
        return py::tuple(items);
    }
    return MemberObject(state.doc, *attribute.members.front(), state.form);
}

void Set(State& state, const Attribute& attribute, py::handle given) {
    const bool list = attribute.array || attribute.members.front()->kind == MemberKind::List;
    const py::object value = list ? Listed(given) : py::reinterpret_borrow<py::object>(given);
    const Held held(state);
    if (!attribute.array) {
        Apply(state, *attribute.members.front(), value);
        return;
    }
    const py::sequence items = py::reinterpret_borrow<py::sequence>(value);
    if (!py::isinstance<py::list>(value) || items.size() != attribute.members.size()) {
        throw py::value_error(std::string("must be a sequence of ") +
                              std::to_string(attribute.members.size()) + " texts");
    }
    // Every text is checked before any is set.
    std::vector<nlohmann::ordered_json> values;
    for (std::size_t i = 0; i < attribute.members.size(); ++i)
        values.push_back(JsonOf(items[i], state.form.encoding, attribute.members[i]->path));
    try {
        for (std::size_t i = 0; i < attribute.members.size(); ++i) {
            if (!values[i].is_string()) {
                throw json::Error(json::Error::Kind::Invalid,
                                  std::string(attribute.members[i]->path) + ": must be a string");
            }
            json::EncodeText(values[i].get<std::string>(), state.form.encoding,
                             attribute.members[i]->path);
        }
        for (std::size_t i = 0; i < attribute.members.size(); ++i)
            json::ApplyMember(values[i], *attribute.members[i], state.doc, state.form.encoding);
    } catch (const json::Error& error) {
        FailWithJsonError(error, "");
    }
}

// The Python object: the state, shared with the lists and groups it gave.
struct Document {
    StatePtr state = std::make_shared<State>();

    Document() {
        const Diagnostics setup = TakeDiagnostics();
        if (setup.error) {
            throw Failure(Failure::Kind::Error, setup.error->number,
                          "the document could not be set up: " + LibraryText(setup.error->message));
        }
    }

    void Close() {
        const Held held(*state);
        if (!state->doc.IsFileOpen()) return;
        {
            const py::gil_scoped_release unlocked;
            state->doc.Close();
        }
        const Diagnostics diagnostics = TakeDiagnostics();
        if (diagnostics.error) {
            throw Failure(
                Failure::Kind::Error, diagnostics.error->number,
                LibraryText(state->path) + ": " + LibraryText(diagnostics.error->message));
        }
    }
};

json::ReadReport ReportOf(const State& state) {
    json::ReadReport report;
    report.file = state.path;
    report.statusReport = state.statusReport;
    return report;
}

}  // namespace

twfile::sql::QuerySource QueryOf(py::handle object, const std::string& encoding,
                                 json::Encoding& textEncoding) {
    if (py::isinstance<Document>(object)) {
        State& state = *object.cast<Document&>().state;
        const Held held(state);
        textEncoding = state.form.encoding;
        return twfile::sql::QuerySourceOf(state.doc);
    }
    textEncoding = EncodingNamed(encoding);
    CTWFileQDF doc;
    const Diagnostics setup = TakeDiagnostics();
    if (setup.error)
        throw Failure(Failure::Kind::Error, setup.error->number, LibraryText(setup.error->message));
    if (py::isinstance<py::dict>(object)) {
        ApplyForm(object, doc, textEncoding);
    } else {
        const std::string path = PathBytes(object);
        const py::gil_scoped_release unlocked;
        ReadDocument(path, doc, Access::Read, true);
    }
    return twfile::sql::QuerySourceOf(doc);
}

void DefineDocument(py::module_& module) {
    py::class_<TextList>(module, "TextList",
                         "A list member of a Document, live: a mutable sequence of texts whose "
                         "changes are the document's.")
        .def("__len__", &TextList::Length)
        .def("__getitem__", &TextList::Item)
        .def("__setitem__", &TextList::SetItem)
        .def("__delitem__", &TextList::DeleteItem)
        .def("insert", &TextList::Insert, py::arg("index"), py::arg("value"))
        .def("copy", &TextList::Copy, "The texts as a new list.")
        .def("__eq__",
             [](TextList& self, const py::object& other) -> py::object {
                 if (py::isinstance<TextList>(other))
                     return py::bool_(self.Copy().equal(other.cast<TextList&>().Copy()));
                 if (!py::isinstance<py::list>(other))
                     return py::reinterpret_borrow<py::object>(Py_NotImplemented);
                 return py::bool_(self.Copy().equal(other));
             })
        .def("__repr__", [](TextList& self) { return py::repr(self.Copy()); });
    // The other list operations (append, extend, pop, remove, index, count,
    // iteration, in, reverse, +=) come from MutableSequence's mixins.
    const py::object abc = py::module_::import("collections.abc");
    const py::object mutableSequence = abc.attr("MutableSequence");
    const py::object textList = module.attr("TextList");
    for (const char* name : {"append", "extend", "pop", "remove", "clear", "index", "count",
                             "reverse", "__iter__", "__reversed__", "__contains__", "__iadd__"})
        py::setattr(textList, name, mutableSequence.attr(name));
    mutableSequence.attr("register")(textList);

    py::class_<Group>(module, "_MemberGroup",
                      "One object of a Document's form (flags, time, display, printer, "
                      "dynamic_sort): its members as attributes.")
        .def("__getattr__", &Group::GetAttribute)
        .def("__setattr__", &Group::SetAttribute)
        .def("__dir__", &Group::Names)
        .def("to_dict", &Group::ToDict, "The members as a dict by attribute name.")
        .def("__repr__", [](Group& self) { return py::repr(self.ToDict()); });

    py::class_<Document> document(module, "Document", R"(A query definition document.

Document() is a new, empty one; Document.open(path) reads one from its file
and Document.from_dict(form) makes one from its JSON form. Its members are
attributes named as the keys of the JSON form in snake case: database,
tables (a live list of str), flags.edited_sql, printer.strings (8 texts),
dynamic_sort.text... Used as a context manager, it closes its file at the
end.)");
    document.def(py::init<>());
    document.def_static(
        "open",
        [](const py::object& path, bool readOnly, const std::string& encoding, bool raw) {
            Document opened;
            State& state = *opened.state;
            state.form = TextFormOf(encoding, raw);
            state.path = PathBytes(path);
            state.readOnly = readOnly;
            {
                const py::gil_scoped_release unlocked;
                const json::ReadReport report = ReadDocument(
                    state.path, state.doc, readOnly ? Access::Read : Access::Update, true);
                state.statusReport = report.statusReport;
                if (!readOnly && state.doc.GetDroppedTextOffset() >= 0) {
                    state.doc.Close();
                    TakeDiagnostics();
                    Fail(LibraryText(state.path) + ": byte " +
                         std::to_string(state.doc.GetDroppedTextOffset()) +
                         ": text that a save would drop; open it read-only");
                }
            }
            state.hasFile = true;
            return opened;
        },
        py::arg("path"), py::arg("read_only") = true, py::arg("encoding") = "cp1252",
        py::arg("raw") = false,
        R"(Reads the document at path. With read_only=False the file stays open and
held against other writers until close(), and save() writes it back
(InUseError when another writer holds it). Raises Error as load does.)");
    document.def_static(
        "from_dict",
        [](const py::dict& form, const std::string& encoding, bool raw) {
            Document made;
            State& state = *made.state;
            state.form = TextFormOf(encoding, raw);
            ApplyForm(form, state.doc, state.form.encoding);
            return made;
        },
        py::arg("form"), py::arg("encoding") = "cp1252", py::arg("raw") = false,
        "A new document with the members of a JSON form, checked as save checks them.");
    document.def(
        "to_dict",
        [](Document& self) {
            const Held held(*self.state);
            return DocumentObject(self.state->doc, ReportOf(*self.state), self.state->form);
        },
        "The document's JSON form, as load gives it.");
    document.def(
        "save",
        [](Document& self) {
            State& state = *self.state;
            const Held held(state);
            if (!state.hasFile) Fail("the document has no file: use save_as(path)");
            if (state.readOnly) {
                Fail(LibraryText(state.path) +
                     ": opened read-only: open it with read_only=False, or use save_as(path)");
            }
            if (!state.doc.IsFileOpen()) Fail(LibraryText(state.path) + ": the document is closed");
            const py::gil_scoped_release unlocked;
            SaveDocument(state.doc);
        },
        "Writes the document back to the file it was opened from with read_only=False "
        "(replaced in one step).");
    document.def(
        "save_as",
        [](Document& self, const py::object& path) {
            State& state = *self.state;
            const Held held(state);
            const std::string file = PathBytes(path);
            {
                const py::gil_scoped_release unlocked;
                SaveDocumentAs(state.doc, file, true);
            }
            state.path = file;
            state.hasFile = true;
            state.readOnly = false;
        },
        py::arg("path"),
        "Saves the document as path (replaced in one step); from then on save() writes "
        "there, and the file is held against other writers until close().");
    document.def("close", &Document::Close, "Closes the document's file; safe to call twice.");
    document.def("__enter__", [](py::object self) { return self; });
    document.def("__exit__", [](Document& self, const py::args&) {
        self.Close();
        return false;
    });
    document.def_property_readonly(
        "file",
        [](Document& self) -> py::object {
            if (!self.state->hasFile) return py::none();
            return py::module_::import("os").attr("fsdecode")(py::bytes(self.state->path));
        },
        "The file's path, or None for a document never saved.");
    document.def_property_readonly(
        "sections_read",
        [](Document& self) {
            const Held held(*self.state);
            py::dict sections;
            for (int i = 0; i < CTWFileQDF::kIndicatorCount; ++i)
                sections[CTWFileQDF::SectionName(i)] =
                    py::bool_(self.state->doc.m_bSectionRead[i] != 0);
            return sections;
        },
        "Which sections the read found, by section name.");
    document.def_property_readonly(
        "status_report", [](Document& self) { return LibraryText(self.state->statusReport); },
        "The report of the sections the read did not find.");

    for (const auto& group : AttributeTable().groups) {
        if (!group.first.empty()) {
            const std::string name = group.first;
            document.def_property_readonly(
                name.c_str(), [name](Document& self) { return Group(self.state, name); });
            continue;
        }
        for (const auto& entry : group.second) {
            const Attribute* attribute = &entry.second;
            const Member& member = *attribute->members.front();
            if (member.kind == MemberKind::List) {
                document.def_property(
                    entry.first.c_str(),
                    [attribute](Document& self) {
                        return TextList(self.state, attribute->members.front());
                    },
                    [attribute](Document& self, const py::object& value) {
                        Set(*self.state, *attribute, value);
                    });
                continue;
            }
            document.def_property(
                entry.first.c_str(),
                [attribute](Document& self) { return Get(*self.state, *attribute); },
                [attribute](Document& self, const py::object& value) {
                    Set(*self.state, *attribute, value);
                });
        }
    }
}

}  // namespace twpy
