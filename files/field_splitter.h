#pragma once

namespace files {
// The comma splitter shared by the request file and the colour table readers.

// A line splits into at most 32 fields; each field has a 64-character slot (63 characters and
// the terminator), enough for any line the readers hand over (63 characters at most).
inline constexpr int kMaxFields = 32;
inline constexpr int kFieldSize = 64;
// Returned for a line with more than kMaxFields fields: the readers skip such a line.
inline constexpr int kTooManyFields = -1;

using FieldArray = char[kMaxFields][kFieldSize];

// Splits the NUL-terminated line at every character of separators into fields and returns the
// field count (0 for an empty line). A separator ends its field and is dropped, except as the line's
// last character, which always stays in the last field (a line feed stays too). Blanks are kept.
// More than kMaxFields fields: prints the splitter's error, stores nothing beyond field 32 and
// returns kTooManyFields. A field longer than 63 characters keeps its first 63.
int devide_into_field(const char* line, const char* separators, FieldArray& fields);

}  // namespace files
