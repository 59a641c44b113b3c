// Where each member of the document sits in the JSON form.
#ifndef TWFILE_JSON_PLACES_H
#define TWFILE_JSON_PLACES_H

#include <cstddef>
#include <string>

#include <twfile/query/members.h>

namespace twfile::json {

// A member's place in the JSON form: "key", "object.key" or
// "object.key[index]" ("flags.editedSQL" is object "flags", key
// "editedSQL"; "printer.strings[3]" also index 3).
struct Place {
    std::string object;  // empty at the top
    std::string key;
    std::ptrdiff_t index = -1;  // an element of the array at key
};

Place PlaceOf(const twfile::query::Member& member);

}  // namespace twfile::json

#endif  // TWFILE_JSON_PLACES_H
