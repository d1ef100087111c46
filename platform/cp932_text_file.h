#pragma once
// A text file written in CP932 with the platform's text-mode line ends: the form the controller
// program reads the report in.

#include <cstdio>
#include <string>

namespace platform {

class Cp932TextFile {
public:
    Cp932TextFile() = default;
    ~Cp932TextFile();
    Cp932TextFile(const Cp932TextFile&) = delete;
    Cp932TextFile& operator=(const Cp932TextFile&) = delete;

    // Creates the file or empties an existing one. False when it can't be opened.
    bool open(const std::string& path);
    bool is_open() const { return file_ != nullptr; }
    // Formats UTF-8 text and writes it as CP932; "\n" becomes the platform's line end.
    // Does nothing when the file is not open.
    void printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // False when a write or the close failed.
    bool close();

private:
    FILE* file_ = nullptr;
    bool failed_ = false;
};

}  // namespace platform
