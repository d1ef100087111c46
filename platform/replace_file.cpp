#include "platform/replace_file.h"

#include "platform/input_file.h"
#include "platform/output_file.h"

namespace platform {

bool replace_file(const std::string& path, std::string_view content, const std::string& backup_path,
                  std::string& error) {
    const std::string kind = entry_kind(path);
    if (kind == "a directory") {
        error = path + " is a directory";
        return false;
    }
    std::string reason;
    if (!backup_path.empty() && kind != "missing") {
        std::string old;
        InputError problem;
        if (!read_input_file(path, kParameterFileLimit, old, problem)) {
            error = "cannot read " + input_problem_text(path, problem);
            return false;
        }
        if (!write_output_file(backup_path, old, reason)) {
            error = "cannot write " + backup_path + ": " + reason;
            return false;
        }
    }
    if (!write_output_file(path, content, reason)) {
        error = "cannot write " + path + ": " + reason;
        return false;
    }
    return true;
}

}  // namespace platform
