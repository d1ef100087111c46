#pragma once
// Line input of the parameter files, the same on every host: the files come from Windows tools and
// are read as a text-mode stream there, so a CR before a LF is dropped here too.

#include <cstdio>
#include <string>

// Opens a regular file for reading; null when it is missing, unreadable or a directory.
std::FILE* open_text_file(const std::string& path);

// Reads like fgets(buffer, size, file) on a text-mode stream: at most size - 1 characters, up to
// and including the line feed, then the terminator; a CR directly before a LF is dropped. False at
// end of file or on a read error when nothing was read (the buffer is then left as it was).
bool read_text_line(std::FILE* file, char* buffer, int size);
