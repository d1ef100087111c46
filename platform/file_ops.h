#pragma once
// File presence and the small file operations of the request/notify hand-shake.

#include <string>

namespace platform {

// True when the path names an existing file (the request test of the modes).
bool file_exists(const std::string& path);
// Creates or empties the file, as opening it for writing and closing it at once. False on failure.
bool create_empty_file(const std::string& path);
// Deletes the file. False when it could not be deleted.
bool remove_file(const std::string& path);

}  // namespace platform
