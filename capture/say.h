#pragma once
// The library's progress and error lines that print only while VideoInput::verbose is on.

#include "capture/video_input.h"
#include "platform/console.h"

namespace capture {

// printf-style line, printed only while verbose.
template <typename... Args>
void say(const char* format, Args... args) {
    if (VideoInput::verbose) platform::console_printf(format, args...);
}

// A fixed text (no format directives are read from it), printed only while verbose.
inline void say(const char* text) {
    if (VideoInput::verbose) platform::console_printf("%s", text);
}

}  // namespace capture
