#pragma once
// A text file written in CP932 with the platform's text-mode line ends: the form the controller
// program reads the report in. Written as an output file: a reader sees the earlier file until
// close() puts the complete new one in its place.

#include <string>

#include "platform/output_file.h"

namespace platform {

class Cp932TextFile {
public:
    Cp932TextFile() = default;
    // Without close() the new text is dropped and the file stays as it was.
    ~Cp932TextFile() = default;
    Cp932TextFile(const Cp932TextFile&) = delete;
    Cp932TextFile& operator=(const Cp932TextFile&) = delete;

    // Starts a new version of the file. False when it can't be written: failure() says why.
    bool open(const std::string& path);
    bool is_open() const { return file_.is_open(); }
    // Formats UTF-8 text and writes it as CP932; "\n" becomes the platform's line end.
    // Does nothing when the file is not open.
    void printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Puts the complete file in place. False when a write, the close or the renaming failed
    // (the file is then as it was before open): failure() says why.
    bool close();
    const std::string& failure() const { return failure_; }

private:
    OutputFile file_;
    std::string failure_;
};

}  // namespace platform
