// The sizes and paths of the JSON form's arrays, shared by the code that
// writes the form and the code that reads it.
#ifndef TWFILE_SRC_JSON_JSON_PLACES_H
#define TWFILE_SRC_JSON_JSON_PLACES_H

#include <cstddef>
#include <string>

#include <twfile/json/places.h>
#include <twfile/query/members.h>

namespace twfile::json {

// The number of texts in the array at place.
std::size_t ArraySize(const Place& array);

// path with "[index]" after it.
std::string Indexed(const std::string& path, std::size_t index);

}  // namespace twfile::json

#endif  // TWFILE_SRC_JSON_JSON_PLACES_H
