#pragma once
// File presence and the small file operations of the request/notify hand-shake.

#include <string>

namespace platform {

// True when the path names an existing file (the request test of the modes).
bool file_exists(const std::string& path);
// True when the path names a regular file itself, not a link, directory, FIFO or device: the only
// thing a request can be.
bool regular_file_exists(const std::string& path);
// Creates or empties the file, put in place whole as every output file is. False on failure,
// with the reason when one is asked for.
bool create_empty_file(const std::string& path, std::string* reason = nullptr);
// Deletes the file (never a directory). False when it could not be deleted, with the reason
// when one is asked for; errno is kept.
bool remove_file(const std::string& path, std::string* reason = nullptr);

// The directory part of a path with its final '/' ("" for a bare name), and the name after it.
std::string directory_of(const std::string& path);
std::string file_name_of(const std::string& path);

}  // namespace platform
