#pragma once
// The reading loop both parameter files share: the whole file, then its lines split at commas.

#include <functional>
#include <string>
#include <string_view>

#include "files/field_splitter.h"

namespace files {

// Reads the parameter file at path. When it can't be read, prints open_failure and then the path
// with the reason, and returns false.
bool read_parameter_file(const std::string& path, const char* open_failure, std::string& text);

// Hands every line of text (in the pieces TextLines gives) that splits at commas into exactly
// field_count fields to `line`, with line messages naming path; stops when `line` returns false.
void for_each_field_line(const std::string& path, std::string_view text, int field_count,
                         const std::function<bool(FieldArray& fields)>& line);

}  // namespace files
