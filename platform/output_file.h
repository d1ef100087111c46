#pragma once
// Output files of the tool (report, pictures, notify file): written to a temporary file beside
// the target and renamed into place, so a reader sees the old file or the whole new one, never a
// part of it, and a failed write leaves nothing behind. A target that is a device or a pipe
// (/dev/stdout, /dev/null) is written directly; one reached through a symbolic link is replaced
// where the link points.

#include <string>
#include <string_view>

namespace platform {

class OutputFile {
public:
    OutputFile() = default;
    // Without commit the temporary file is removed and the target stays as it was.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file (or opens the device). False with the reason when it can't.
    bool open(const std::string& path, std::string& reason);
    bool is_open() const { return fd_ >= 0; }
    // Appends; a failure is kept for commit.
    void write(std::string_view bytes);
    // Closes the temporary file and renames it into place. False with the reason (the first
    // failure of any write, the close or the rename); the target is then as it was.
    bool commit(std::string& reason);
    // Drops what was written; the target stays as it was.
    void discard();

private:
    int fd_ = -1;
    bool direct_ = false;  // a device or pipe, written in place
    std::string target_;
    std::string temporary_;
    std::string failure_;
};

// The whole file in one call. False with the reason; the target is then as it was.
bool write_output_file(const std::string& path, std::string_view bytes, std::string& reason);

// Removes an earlier output at path (following a symbolic link to the file it names), so that
// only a complete new one can stand there afterwards. Devices and pipes are left alone. True when
// nothing is left to remove.
bool remove_output_file(const std::string& path);

}  // namespace platform
