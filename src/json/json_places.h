// Where each member of the document sits in the JSON form, shared by the
// code that writes the form and the code that reads it.
#ifndef TWFILE_SRC_JSON_JSON_PLACES_H
#define TWFILE_SRC_JSON_JSON_PLACES_H

#include <cstddef>
#include <string>

#include <twfile/query/members.h>

namespace twfile::json {

// A member's place in the JSON form: "key", "object.key" or
// "object.key[index]".
struct Place {
    std::string object;  // empty at the top
    std::string key;
    std::ptrdiff_t index = -1;  // an element of the array at key
};

Place PlaceOf(const twfile::query::Member& member);

// The number of texts in the array at place.
std::size_t ArraySize(const Place& array);

// path with "[index]" after it.
std::string Indexed(const std::string& path, std::size_t index);

}  // namespace twfile::json

#endif  // TWFILE_SRC_JSON_JSON_PLACES_H
