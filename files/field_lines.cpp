#include "files/field_lines.h"

#include "files/line_messages.h"
#include "files/text_lines.h"
#include "platform/console.h"

namespace files {

bool read_parameter_file(const std::string& path, const char* open_failure, std::string& text) {
    platform::InputError error;
    if (read_text_file(path, text, error)) return true;
    platform::console_printf("%s", open_failure);
    print_input_problem(path, error);
    return false;
}

void for_each_field_line(const std::string& path, std::string_view text, int field_count,
                         const std::function<bool(FieldArray& fields)>& line) {
    LineMessageScope messages(path);
    TextLines lines(text);
    char work[64];
    FieldArray buff;
    while (lines.next(work, sizeof work)) {
        if (devide_into_field(work, ",", buff) != field_count) continue;
        if (!line(buff)) break;
    }
}

}  // namespace files
