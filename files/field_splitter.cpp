#include "files/field_splitter.h"

#include <cstring>

#include "files/line_messages.h"

namespace files {

int devide_into_field(const char* line, const char* separators, FieldArray& fields) {
    const size_t length = std::strlen(line);
    int count = 0;
    int pos = 0;
    for (size_t i = 0; i < length; ++i) {
        if (count == kMaxFields) {
            // A malformed file must not end the service: report it and let the reader skip it.
            print_line_message(LineMessageKind::too_many_fields,
                               "エラー！配列宣言を越えました（devide_into_field）\n");
            return kTooManyFields;
        }
        const char c = line[i];
        const bool last = i + 1 == length;
        bool separator = false;  // c is never the NUL here; the set is a character or two
        for (const char* s = separators; *s && !separator; ++s) separator = *s == c;
        if (separator && !last) {
            fields[count][pos] = '\0';  // the separator itself never stays
            ++count;
            pos = 0;
            continue;
        }
        if (pos < kFieldSize - 1) fields[count][pos++] = c;
        if (last) {
            fields[count][pos] = '\0';
            ++count;
        }
    }
    return count;
}

}  // namespace files
