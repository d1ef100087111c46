#pragma once

namespace files {
// Numbers in the fields of the parameter files, read as the C library's atoi and atof read them
// (leading blanks skipped, the rest after the number ignored, no number gives 0), but defined for
// every input: out-of-range values saturate instead of being undefined.

// atoi: a decimal integer, clamped to the int range.
int field_to_int(const char* field);
// atof stored as float (IEEE rounding: beyond the float range gives an infinity of that sign).
float field_to_float(const char* field);

}  // namespace files
