#pragma once
// Standard input of the tool. The menu reads lines and the modes read single keys from the same
// stream, so both go through one buffer here.

#include <optional>
#include <string>

namespace platform {

// Next line without its line end (a CR before the LF is dropped); nullopt at end of input.
std::optional<std::string> read_line();

enum class NumberInput { number, not_a_number, end_of_input };
// Reads one line as a decimal integer (blanks before it and anything after its digits are
// ignored, as scanf's "%d" does). `value` is set only for NumberInput::number.
NumberInput read_number(int& value);

class FileWatch;

// Next byte of input within timeout_ms: 0..255, or -1 when none came (or input has ended; the
// wait is then still kept, so loops keep their pace). With `wake`, -1 also as soon as its file
// comes.
int read_key(int timeout_ms, FileWatch* wake = nullptr);

bool input_ended();

// While it lives, a terminal on standard input delivers keys one by one without echo; restored
// afterwards (also when the process is interrupted). Does nothing for pipes and files.
class SingleKeyMode {
public:
    SingleKeyMode();
    ~SingleKeyMode();
    SingleKeyMode(const SingleKeyMode&) = delete;
    SingleKeyMode& operator=(const SingleKeyMode&) = delete;

private:
    bool active_ = false;
};

}  // namespace platform
