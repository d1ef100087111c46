#pragma once
// Input files of the tool (parameter files, pictures, scenes, the report the client reads): only
// regular files are read, the open never blocks (a FIFO or a device where a file belongs is
// refused, not waited on), a size limit keeps a wrong file from taking the memory, and every
// failure comes with a reason that says what is wrong with the file.

#include <cstddef>
#include <string>

namespace platform {

enum class InputProblem {
    none,
    missing,        // no such file (or a directory on the way is missing)
    not_regular,    // a directory, FIFO, socket or device
    no_permission,  // the file may not be read
    too_large,      // larger than the limit of its kind
    unreadable,     // the system refused to open or read it for another reason
    stopped,        // a stop was requested while it was being read
    not_a_picture,  // read, but not a picture of a known form (picture readers only)
};

struct InputError {
    InputProblem problem = InputProblem::none;
    std::string reason;  // e.g. "no such file", "not a regular file (a FIFO)"
};

// Limits of the kinds of input files.
inline constexpr size_t kParameterFileLimit = size_t{64} << 20;  // request file, colour table
inline constexpr size_t kPictureFileLimit = size_t{256} << 20;

// What a directory entry is, the last symbolic link not followed ("a FIFO", "a directory",
// "a symbolic link", ...); empty for a regular file, "missing" when there is none.
std::string entry_kind(const std::string& path);

// Reads the whole regular file at path into bytes (replacing them). Opened with O_NONBLOCK and
// tested with fstat after the open, so nothing can block; read in pieces, between which a
// requested stop ends the read. False with the problem and its reason otherwise.
bool read_input_file(const std::string& path, size_t max_bytes, std::string& bytes, InputError& error);

// "PATH: REASON", the form in which every input problem is shown.
std::string input_problem_text(const std::string& path, const InputError& error);

}  // namespace platform
