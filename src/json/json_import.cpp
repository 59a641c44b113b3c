// The JSON form read into a document: as a stream of parse events, so that
// a document of a million list lines needs no tree, or from a tree.
#include <twfile/json/document_json.h>
#include <twfile/json/lossy_members.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <tuple>
#include <vector>

#include <twfile/host/error.h>
#include <twfile/query/members.h>

#include <twfile/json/encoding.h>

#include "json/json_places.h"

namespace twfile::json {

using Json = nlohmann::ordered_json;
using twfile::query::Member;
using twfile::query::MemberKind;
using twfile::query::Members;

namespace {

[[noreturn]] void Bad(const std::string& path, const std::string& what) {
    throw Error(Error::Kind::Invalid,
                (path.empty() ? std::string("the document") : path) + ": " + what);
}

// The member's bytes for text (UTF-8) in the encoding; path() names the
// member, and is only asked for when the text does not fit.
template <typename Path>
CString TextBytes(std::string_view text, Encoding encoding, const Path& path) {
    const bool ascii = std::all_of(text.begin(), text.end(),
                                   [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
    if (text.size() >= static_cast<std::size_t>(INT_MAX)) Bad(path(), "is too long");
    if (ascii) return CString(text.data(), static_cast<int>(text.size()));
    const std::string bytes = EncodeText(text, encoding, path());
    if (bytes.size() >= static_cast<std::size_t>(INT_MAX)) Bad(path(), "is too long");
    return CString(bytes.data(), static_cast<int>(bytes.size()));
}

int IntegerValue(std::int64_t number, const std::string& path) {
    if (number < INT32_MIN || number > INT32_MAX) Bad(path, "does not fit in 32 bits");
    return static_cast<int>(number);
}

int IntegerValue(std::uint64_t number, const std::string& path) {
    if (number > static_cast<std::uint64_t>(INT32_MAX)) Bad(path, "does not fit in 32 bits");
    return static_cast<int>(number);
}

// Appends item to list, which then owns it, as element index.
void AddItem(CTWFileQDF& doc, const Member& list, CString item, std::size_t index) {
    auto owned = std::make_unique<CString>(std::move(item));
    (doc.*list.add)(owned.get());
    if (CTWError::GetNumber() < 0) {
        // The list could not grow: the item stays ours.
        const int number = CTWError::GetNumber();
        const std::string message = CTWError::GetMessage();
        CTWError::Clear();
        throw Error(Error::Kind::Refused, Indexed(list.path, index) + ": error " +
                                              std::to_string(number) + ": " + message);
    }
    owned.release();  // the list owns it now
}

class Reader {
  public:
    Reader(CTWFileQDF& doc, Encoding encoding) : m_doc(doc), m_encoding(encoding) {}

    void Apply(const Json& value, const Member& member) {
        switch (member.kind) {
            case MemberKind::Text:
                m_doc.*member.text = Bytes(value, member.path);
                break;
            case MemberKind::Number:
                m_doc.*member.number = Integer(value, member.path);
                break;
            case MemberKind::Flag:
                if (!value.is_boolean()) Bad(member.path, "must be true or false");
                m_doc.*member.number = value.get<bool>() ? 1 : 0;
                break;
            case MemberKind::List:
                List(value, member);
                break;
        }
    }

  private:
    CString Bytes(const Json& value, const std::string& path) const {
        if (!value.is_string()) Bad(path, "must be a string");
        return TextBytes(value.get_ref<const std::string&>(), m_encoding, [&path] { return path; });
    }

    static int Integer(const Json& value, const std::string& path) {
        if (!value.is_number_integer()) Bad(path, "must be an integer");
        if (value.is_number_unsigned()) return IntegerValue(value.get<std::uint64_t>(), path);
        return IntegerValue(value.get<std::int64_t>(), path);
    }

    void List(const Json& value, const Member& list) {
        const std::string path = list.path;
        if (!value.is_array()) Bad(path, "must be an array of strings");
        // Every element is checked before the list changes.
        std::vector<CString> items;
        items.reserve(value.size());
        for (std::size_t i = 0; i < value.size(); ++i) {
            items.push_back(Bytes(value.at(i), Indexed(path, i)));
        }
        (m_doc.*list.clear)();
        for (std::size_t i = 0; i < items.size(); ++i)
            AddItem(m_doc, list, std::move(items[i]), i);
    }

    CTWFileQDF& m_doc;
    Encoding m_encoding;
};

}  // namespace

// Reads the JSON form from the events of a SAX parse (or of a walk over a
// tree), so that a document of a million list lines is read without a tree
// of a million values: each text goes into the document as it arrives.
//
// The checks are those of the shape, and when the text breaks several, the
// error reported is the one a reader walking the members in order would meet
// first: the top level's keys, then each member in the order of the table
// (the keys of its object first, then the array's size, then its values, the
// elements of a list in order). A key given twice counts once, with its last
// value, as in the tree nlohmann::json builds.
class StreamReader {
  public:
    using number_integer_t = Json::number_integer_t;
    using number_unsigned_t = Json::number_unsigned_t;
    using number_float_t = Json::number_float_t;
    using string_t = Json::string_t;
    using binary_t = Json::binary_t;

    StreamReader(CTWFileQDF& doc, Encoding encoding) : m_doc(doc), m_encoding(encoding) {
        for (const Member& member : Members()) {
            m_places.push_back(PlaceOf(member));
            Saved saved;
            if (member.kind == MemberKind::Text) saved.text = doc.*member.text;
            if (member.kind == MemberKind::Number || member.kind == MemberKind::Flag) {
                saved.number = doc.*member.number;
            }
            m_saved.push_back(std::move(saved));
        }
        m_next.kind = Target::Document;
    }

    // The first error in the order above, raised as an Error; nothing when
    // the JSON fits the shape.
    void Finish() const {
        const Found* first = nullptr;
        for (const auto& slot : m_errors) {
            if (first == nullptr || slot.second.rank < first->rank) first = &slot.second;
        }
        if (first == nullptr) return;
        if (first->unknownKey.empty()) throw Error(Error::Kind::Invalid, first->message);
        throw Error(first->message, first->unknownKey, KeysBeside(first->unknownKey));
    }

    const std::string& syntaxError() const { return m_syntaxError; }

    bool null() { return Scalar(Value::Other); }
    bool boolean(bool value) {
        m_flag = value;
        return Scalar(Value::Flag);
    }
    bool number_integer(number_integer_t value) {
        m_signed = value;
        return Scalar(Value::Signed);
    }
    bool number_unsigned(number_unsigned_t value) {
        m_unsigned = value;
        return Scalar(Value::Unsigned);
    }
    bool number_float(number_float_t, const string_t&) { return Scalar(Value::Other); }
    bool binary(binary_t&) { return Scalar(Value::Other); }
    bool string(string_t& value) { return text(value); }
    bool text(std::string_view value) {
        m_string = value;
        return Scalar(Value::String);
    }
    bool start_object(std::size_t) { return Open(true); }
    bool start_array(std::size_t) { return Open(false); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }
    bool key(string_t& key) {
        Key(key);
        return true;
    }
    void key(std::string_view key) { Key(std::string(key)); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) {
        m_syntaxError = error.what();
        return false;
    }

  private:
    enum class Value { String, Signed, Unsigned, Flag, Other };
    // What the next value is for.
    struct Target {
        enum Kind { Skip, Document, Member, Object, Texts, ListElement, TextsElement } kind = Skip;
        std::size_t member = 0;  // the member, the first of the object or array
        std::string slot;        // its path, or the object's or array's
        std::size_t index = 0;   // of the element
    };
    // An open container and what its values are for.
    struct Level {
        enum Kind { Skip, Top, Object, List, Texts } kind;
        std::size_t member = 0;
        std::string slot;
        std::size_t count = 0;
    };
    // An error met, kept until the read ends.
    struct Found {
        std::tuple<long long, int, long long> rank;
        std::string message;
        std::string unknownKey;  // when the key is not of the shape
    };
    struct Saved {
        CString text;
        int number = 0;
    };

    std::size_t Size() const { return m_places.size(); }
    const Member& MemberAt(std::size_t index) const { return Members().begin()[index]; }

    void Record(const std::string& slot, std::tuple<long long, int, long long> rank,
                const std::string& message) {
        const auto found = m_errors.find(slot);
        if (found != m_errors.end() && found->second.rank <= rank) return;
        m_errors[slot] = Found{rank, message, {}};
    }
    void Record(const std::string& slot, std::tuple<long long, int, long long> rank,
                const std::string& path, const std::string& what) {
        Record(slot, rank, (path.empty() ? std::string("the document") : path) + ": " + what);
    }
    // An unknown key: slot is its path.
    void RecordUnknown(const std::string& slot, std::tuple<long long, int, long long> rank) {
        Record(slot, rank, slot, "is not a known key");
        m_errors[slot].unknownKey = slot;
    }
    // The paths of the keys known where slot stands: the top's, or those of
    // the object that holds it.
    std::vector<std::string> KeysBeside(const std::string& slot) const {
        const std::size_t dot = slot.find('.');
        const std::string object = dot == std::string::npos ? "" : slot.substr(0, dot);
        std::vector<std::string> keys;
        for (const Place& place : m_places) {
            std::string key = object.empty() ? (place.object.empty() ? place.key : place.object)
                              : place.object == object ? object + "." + place.key
                                                       : "";
            if (!key.empty() && (keys.empty() || keys.back() != key)) keys.push_back(key);
        }
        return keys;
    }
    // Forgets the errors of slot and of everything inside it.
    void Forget(const std::string& slot) {
        for (auto it = m_errors.lower_bound(slot); it != m_errors.end();) {
            const std::string& key = it->first;
            if (key.compare(0, slot.size(), slot) != 0) break;
            if (key.size() == slot.size() || key[slot.size()] == '.' || key[slot.size()] == '[') {
                it = m_errors.erase(it);
            } else {
                ++it;
            }
        }
    }

    void Key(const std::string& key) {
        Level& level = m_levels.back();
        Target target;
        ++m_sequence;
        if (level.kind == Level::Skip) {
            m_next = target;
            return;
        }
        if (level.kind == Level::Top) {
            for (const char* ignored : {"file", "sectionsRead", "statusReport", "error"}) {
                if (key == ignored) {
                    m_next = target;
                    return;
                }
            }
            for (std::size_t i = 0; i < Size(); ++i) {
                const Place& place = m_places[i];
                if (place.object.empty() && place.key == key) {
                    target.kind = Target::Member;
                } else if (place.object == key) {
                    target.kind = Target::Object;
                    // The object again: what its first value set is undone.
                    if (!m_seen.insert(key).second) Restore(key);
                } else {
                    continue;
                }
                target.member = i;
                target.slot = key;
                Forget(key);
                m_next = target;
                return;
            }
            RecordUnknown(key, {-1, 0, m_sequence});
            m_next = target;
            return;
        }
        // In an object of the shape.
        const std::string object = m_places[level.member].object;
        const std::string slot = object + "." + key;
        for (std::size_t i = level.member; i < Size() && m_places[i].object == object; ++i) {
            if (m_places[i].key != key) continue;
            target.kind = m_places[i].index >= 0 ? Target::Texts : Target::Member;
            target.member = i;
            target.slot = slot;
            Forget(slot);
            m_next = target;
            return;
        }
        RecordUnknown(slot, {static_cast<long long>(level.member), 1, m_sequence});
        m_next = target;
    }

    // The members of object get their values from before the read back.
    void Restore(const std::string& object) {
        for (std::size_t i = 0; i < Size(); ++i) {
            if (m_places[i].object != object) continue;
            const Member& member = MemberAt(i);
            if (member.kind == MemberKind::Text) m_doc.*member.text = m_saved[i].text;
            if (member.kind == MemberKind::Number || member.kind == MemberKind::Flag) {
                m_doc.*member.number = m_saved[i].number;
            }
        }
    }

    // The target of the next value in the open container (after a key, the
    // key chose it).
    Target Next() {
        if (m_levels.empty() || m_levels.back().kind == Level::Top ||
            m_levels.back().kind == Level::Object) {
            Target target = m_next;
            m_next = Target();
            return target;
        }
        Level& level = m_levels.back();
        Target target;
        target.index = level.count++;
        target.member = level.member;
        target.slot = level.slot;
        if (level.kind == Level::List) target.kind = Target::ListElement;
        if (level.kind == Level::Texts) target.kind = Target::TextsElement;
        return target;
    }

    bool Open(bool object) {
        const Target target = Next();
        Level level{Level::Skip, target.member, target.slot, 0};
        switch (target.kind) {
            case Target::Skip:
                break;
            case Target::Document:
                if (object) {
                    level.kind = Level::Top;
                } else {
                    Record("", {-2, 0, 0}, "", "must be an object");
                }
                break;
            case Target::Object:
                if (object) {
                    level.kind = Level::Object;
                } else {
                    Record(target.slot, {static_cast<long long>(target.member), 0, 0}, target.slot,
                           "must be an object");
                }
                break;
            case Target::Texts:
                if (!object) {
                    level.kind = Level::Texts;
                } else {
                    WrongSize(target);
                }
                break;
            case Target::Member:
                if (!object && MemberAt(target.member).kind == MemberKind::List) {
                    level.kind = Level::List;
                    (m_doc.*MemberAt(target.member).clear)();
                } else {
                    WrongValue(target);
                }
                break;
            case Target::ListElement:
            case Target::TextsElement:
                WrongValue(target);
                break;
        }
        m_levels.push_back(std::move(level));
        return true;
    }

    bool Close() {
        const Level level = std::move(m_levels.back());
        m_levels.pop_back();
        if (level.kind == Level::Texts && level.count != ArraySize(m_places[level.member])) {
            Target target;
            target.member = level.member;
            target.slot = level.slot;
            WrongSize(target);
        }
        return true;
    }

    void WrongSize(const Target& target) {
        Record(target.slot, {static_cast<long long>(target.member), 2, 0}, target.slot,
               "must be an array of exactly " + std::to_string(ArraySize(m_places[target.member])) +
                   " strings");
    }

    // The value of target is not of its member's type.
    void WrongValue(const Target& target) {
        std::size_t member = target.member;
        std::string path = MemberAt(member).path;
        long long element = 0;
        if (target.kind == Target::ListElement) {
            path = Indexed(path, target.index);
            element = static_cast<long long>(target.index);
        } else if (target.kind == Target::TextsElement) {
            if (target.index >= ArraySize(m_places[member])) return;  // the size is wrong
            member += target.index;
            path = MemberAt(member).path;
        }
        const char* what = "must be a string";
        switch (MemberAt(member).kind) {
            case MemberKind::Number:
                what = "must be an integer";
                break;
            case MemberKind::Flag:
                what = "must be true or false";
                break;
            case MemberKind::List:
                if (target.kind == Target::Member) what = "must be an array of strings";
                break;
            case MemberKind::Text:
                break;
        }
        Record(target.slot, {static_cast<long long>(member), 3, element}, path, what);
    }

    bool Scalar(Value value) {
        if (value == Value::String && !m_levels.empty() && m_levels.back().kind == Level::List) {
            // The common case, a text of a list, without a target to build.
            Level& level = m_levels.back();
            const std::size_t index = level.count++;
            const Member& list = MemberAt(level.member);
            const auto path = [&list, index] { return Indexed(list.path, index); };
            try {
                AddItem(m_doc, list, TextBytes(m_string, m_encoding, path), index);
            } catch (const Error& failure) {
                if (failure.kind() != Error::Kind::Invalid)
                    throw;  // the document could not take it
                Record(level.slot,
                       {static_cast<long long>(level.member), 3, static_cast<long long>(index)},
                       failure.what());
            }
            return true;
        }
        Target target = Next();
        if (target.kind == Target::Skip) return true;
        if (target.kind == Target::Document) {
            Record("", {-2, 0, 0}, "", "must be an object");
            return true;
        }
        if (target.kind == Target::Object) {
            Record(target.slot, {static_cast<long long>(target.member), 0, 0}, target.slot,
                   "must be an object");
            return true;
        }
        if (target.kind == Target::Texts) {
            WrongSize(target);
            return true;
        }
        std::size_t member = target.member;
        if (target.kind == Target::TextsElement) {
            if (target.index >= ArraySize(m_places[member])) return true;  // the size is wrong
            member += target.index;
        }
        const Member& m = MemberAt(member);
        const bool element = target.kind == Target::ListElement;
        try {
            if (m.kind == MemberKind::List && element && value == Value::String) {
                const auto path = [&m, &target] { return Indexed(m.path, target.index); };
                AddItem(m_doc, m, TextBytes(m_string, m_encoding, path), target.index);
            } else if (m.kind == MemberKind::Text && value == Value::String) {
                m_doc.*m.text =
                    TextBytes(m_string, m_encoding, [&m] { return std::string(m.path); });
            } else if (m.kind == MemberKind::Number && value == Value::Signed) {
                m_doc.*m.number = IntegerValue(static_cast<std::int64_t>(m_signed), m.path);
            } else if (m.kind == MemberKind::Number && value == Value::Unsigned) {
                m_doc.*m.number = IntegerValue(static_cast<std::uint64_t>(m_unsigned), m.path);
            } else if (m.kind == MemberKind::Flag && value == Value::Flag) {
                m_doc.*m.number = m_flag ? 1 : 0;
            } else {
                WrongValue(target);
            }
        } catch (const Error& failure) {
            if (failure.kind() != Error::Kind::Invalid) throw;  // the document could not take it
            Record(target.slot,
                   {static_cast<long long>(member), 3,
                    element ? static_cast<long long>(target.index) : 0},
                   failure.what());
        }
        return true;
    }

    CTWFileQDF& m_doc;
    Encoding m_encoding;
    std::vector<Place> m_places;  // of the members, in the table's order
    std::vector<Saved> m_saved;   // the members' values before the read
    std::vector<Level> m_levels;
    Target m_next;
    std::set<std::string> m_seen;  // the objects met at the top
    std::map<std::string, Found> m_errors;
    long long m_sequence = 0;  // of the keys
    std::string m_syntaxError;
    // The value of the event being handled.
    std::string_view m_string;
    number_integer_t m_signed = 0;
    number_unsigned_t m_unsigned = 0;
    bool m_flag = false;
};

namespace {

// Gives the events of a parse of json's text to reader.
void Walk(const Json& json, StreamReader& reader) {
    switch (json.type()) {
        case Json::value_t::object:
            reader.start_object(json.size());
            for (const auto& item : json.items()) {
                std::string key = item.key();
                reader.key(key);
                Walk(item.value(), reader);
            }
            reader.end_object();
            break;
        case Json::value_t::array:
            reader.start_array(json.size());
            for (const Json& element : json)
                Walk(element, reader);
            reader.end_array();
            break;
        case Json::value_t::string: {
            std::string text = json.get<std::string>();
            reader.string(text);
            break;
        }
        case Json::value_t::boolean:
            reader.boolean(json.get<bool>());
            break;
        case Json::value_t::number_integer:
            reader.number_integer(json.get<Json::number_integer_t>());
            break;
        case Json::value_t::number_unsigned:
            reader.number_unsigned(json.get<Json::number_unsigned_t>());
            break;
        default:
            reader.null();
            break;
    }
}

}  // namespace

void ApplyJson(const Json& json, CTWFileQDF& doc, Encoding encoding) {
    StreamReader reader(doc, encoding);
    Walk(json, reader);
    reader.Finish();
}

JsonEvents::JsonEvents(CTWFileQDF& doc, Encoding encoding)
    : m_reader(std::make_unique<StreamReader>(doc, encoding)) {}

JsonEvents::~JsonEvents() = default;

void JsonEvents::StartObject() {
    m_reader->start_object(0);
}

void JsonEvents::EndObject() {
    m_reader->end_object();
}

void JsonEvents::StartArray() {
    m_reader->start_array(0);
}

void JsonEvents::EndArray() {
    m_reader->end_array();
}

void JsonEvents::Key(std::string_view key) {
    m_reader->key(key);
}

void JsonEvents::Text(std::string_view text) {
    m_reader->text(text);
}

void JsonEvents::Integer(std::int64_t number) {
    m_reader->number_integer(number);
}

void JsonEvents::Flag(bool value) {
    m_reader->boolean(value);
}

void JsonEvents::Float(double) {
    m_reader->null();
}

void JsonEvents::Null() {
    m_reader->null();
}

void JsonEvents::Finish() {
    m_reader->Finish();
}

void ReadJson(std::istream& in, CTWFileQDF& doc, Encoding encoding) {
    StreamReader reader(doc, encoding);
    if (!Json::sax_parse(in, &reader))
        throw Error(Error::Kind::Invalid, "not JSON: " + reader.syntaxError());
    reader.Finish();
}

void ReadJson(std::string_view text, CTWFileQDF& doc, Encoding encoding) {
    StreamReader reader(doc, encoding);
    if (!Json::sax_parse(text.begin(), text.end(), &reader))
        throw Error(Error::Kind::Invalid, "not JSON: " + reader.syntaxError());
    reader.Finish();
}

namespace {

void RefuseLossy(const CTWFileQDF& doc) {
    std::string named;
    for (const LossyMember& member : FindLossyMembers(doc))
        named += (named.empty() ? "" : "; ") + member.member + ": " + member.reason;
    if (!named.empty()) {
        throw Error(Error::Kind::Lossy,
                    "the file cannot carry these members back unchanged: " + named);
    }
}

}  // namespace

void ReadJson(std::istream& in, CTWFileQDF& doc, const ReadOptions& options) {
    ReadJson(in, doc, options.encoding);
    if (options.refuseLossy) RefuseLossy(doc);
}

void ReadJson(std::string_view text, CTWFileQDF& doc, const ReadOptions& options) {
    ReadJson(text, doc, options.encoding);
    if (options.refuseLossy) RefuseLossy(doc);
}

void ApplyMember(const Json& value, const Member& member, CTWFileQDF& doc, Encoding encoding) {
    Reader(doc, encoding).Apply(value, member);
}

}  // namespace twfile::json
