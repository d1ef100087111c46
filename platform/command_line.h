#pragma once
// The command-line habits both programs share: options before or after the command, "--opt=value"
// as well as "--opt value", "--help" for the program and for each command, "--version", and one line
// with a suggestion for an unknown command or option. A program is described by a table of its
// options and commands; each option applies its value to the caller's settings itself.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console.h"

namespace platform {

struct CliOption {
    std::string name;        // "--work-dir"
    std::string value_name;  // "DIR" in the help; empty for a flag
    std::string help;        // one or more lines ('\n' between them)
    // Takes the value (empty for a flag); false with a one-line message in `error`.
    std::function<bool(const std::string& value, std::string& error)> apply;
    std::string value_noun = "a value";  // "--work-dir needs a directory"
};

// "--encoding utf-8|cp932", the console encoding option both programs take.
CliOption encoding_option(std::optional<ConsoleEncoding>& encoding);

struct CliCommand {
    std::string name;                // "serve"
    std::string usage;               // what follows "PROGRAM [OPTIONS] " in the usage lines
    std::string summary;             // one line for the program's list of commands
    std::string description;         // the paragraphs of "PROGRAM COMMAND --help"
    std::vector<CliOption> options;  // the command's own, accepted after its name
};

struct CliProgram {
    std::string name;                  // "cone-locator"
    std::string version;               // printed by --version
    std::string usage;                 // what follows "PROGRAM " when no command is given ("[OPTIONS]")
    std::string description;           // the paragraphs of "PROGRAM --help"
    std::vector<CliOption> options;    // accepted anywhere on the line
    std::vector<CliCommand> commands;  // none: the program takes no command
    std::string epilogue;              // closing paragraph of "PROGRAM --help" (exit statuses ...)
};

enum class CliOutcome { run, help, version, error };

struct CliParse {
    CliOutcome outcome = CliOutcome::run;
    const CliCommand* command = nullptr;  // the command named, if any (also for help)
    std::string error;                    // the complete one-line message for CliOutcome::error
};

// Parses the words after the program name, applying every option as it comes. An error stops
// the parse; its line names the program (and the command), says what is wrong, suggests the
// nearest name when one is close, and points to --help.
CliParse parse_command_line(const CliProgram& program, const std::vector<std::string>& words);
CliParse parse_command_line(const CliProgram& program, int argc, char** argv);
// The arguments that follow `command`'s name, parsed as the program's parser does. False with the
// message in error; with --help, help is set and nothing else is checked.
bool parse_command_args(const std::string& program_name, CliCommand command,
                        const std::vector<std::string>& args, bool& help, std::string& error);

// The text of "PROGRAM --help" (command null) or "PROGRAM COMMAND --help".
std::string cli_help_text(const CliProgram& program, const CliCommand* command);
// "PROGRAM[ COMMAND]: MESSAGE; see PROGRAM[ COMMAND] --help": a usage error found after the parse.
std::string cli_error_line(const CliProgram& program, const CliCommand* command, std::string_view message);

// Edits (insert, delete, replace, swap of neighbours) that turn a into b.
size_t edit_distance(std::string_view a, std::string_view b);
// The candidate nearest to word when it is near enough to be a likely typo; empty otherwise.
std::string nearest_name(std::string_view word, const std::vector<std::string_view>& candidates);

}  // namespace platform
