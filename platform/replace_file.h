#pragma once
// Replacing a file so that readers see either the old or the new contents, never a part.

#include <string>
#include <string_view>

namespace platform {

// Writes `content` to a fresh temporary file beside `path`, flushes it to the disk and renames it
// over `path`. When backup_path is not empty and `path` exists, its bytes are first copied to
// backup_path (also through a temporary file). False with a message when any step fails; `path`
// is then as it was and no temporary file is left behind.
bool replace_file(const std::string& path, std::string_view content, const std::string& backup_path,
                  std::string& error);

}  // namespace platform
