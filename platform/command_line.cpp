#include "platform/command_line.h"

#include <algorithm>
#include <sstream>

namespace platform {

CliOption encoding_option(std::optional<ConsoleEncoding>& encoding) {
    return {"--encoding", "utf-8|cp932", "console encoding (default: from the locale)",
            [&encoding](const std::string& v, std::string& error) {
                ConsoleEncoding e;
                if (!parse_console_encoding(v, e)) {
                    error = "unknown encoding '" + v + "' (use utf-8 or cp932)";
                    return false;
                }
                encoding = e;
                return true;
            },
            "utf-8 or cp932"};
}
namespace {

constexpr size_t kHelpColumn = 24;  // where the option texts start in the help

const CliOption* find_option(const std::vector<CliOption>& options, std::string_view name) {
    for (const CliOption& o : options) {
        if (o.name == name) return &o;
    }
    return nullptr;
}

const CliCommand* find_command(const CliProgram& program, std::string_view name) {
    for (const CliCommand& c : program.commands) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

std::string unknown_option_message(const CliProgram& program, const CliCommand* command,
                                   const std::string& name) {
    std::vector<std::string_view> known{"--help", "--version"};
    for (const CliOption& o : program.options) known.push_back(o.name);
    if (command) {
        for (const CliOption& o : command->options) known.push_back(o.name);
    }
    std::string message = "unknown argument '" + name + "'";
    const std::string nearest = nearest_name(name, known);
    if (!nearest.empty()) return message + " (did you mean " + nearest + "?)";
    // Given before its command, or to another command.
    for (const CliCommand& c : program.commands) {
        if (&c != command && find_option(c.options, name)) return message + " (an option of " + c.name + ")";
    }
    return message;
}

std::string unknown_command_message(const CliProgram& program, const std::string& word) {
    std::vector<std::string_view> names;
    for (const CliCommand& c : program.commands) names.push_back(c.name);
    std::string message = "unknown command '" + word + "'";
    const std::string nearest = nearest_name(word, names);
    if (!nearest.empty()) message += " (did you mean " + nearest + "?)";
    return message;
}

// Lines of a text; a trailing line end adds no empty line.
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// "Usage: PROGRAM USAGE" with the usage's further lines indented under its first.
void append_usage(std::string& out, const std::string& lead, const std::string& usage) {
    const std::vector<std::string> lines = lines_of(usage);
    for (size_t i = 0; i < lines.size(); ++i) {
        out += (i == 0 ? lead : std::string(lead.size() + 2, ' ')) + lines[i] + "\n";
    }
}

void append_option(std::string& out, const std::string& names, const std::string& help) {
    const std::vector<std::string> lines = lines_of(help);
    std::string left = "  " + names;
    if (left.size() + 2 <= kHelpColumn) {
        left.resize(kHelpColumn, ' ');
    } else {
        left += "  ";
    }
    out += left + (lines.empty() ? "" : lines[0]) + "\n";
    for (size_t i = 1; i < lines.size(); ++i) out += std::string(kHelpColumn, ' ') + lines[i] + "\n";
}

void append_options(std::string& out, const std::vector<CliOption>& options) {
    for (const CliOption& o : options) {
        append_option(out, o.value_name.empty() ? o.name : o.name + " " + o.value_name, o.help);
    }
}

void append_paragraph(std::string& out, const std::string& text) {
    if (text.empty()) return;
    out += "\n" + text;
    if (text.back() != '\n') out += "\n";
}

}  // namespace

size_t edit_distance(std::string_view a, std::string_view b) {
    // Three rows of the table suffice: a swap looks two rows back.
    std::vector<size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                current[j] = std::min(current[j], before[j - 2] + 1);
            }
        }
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return previous[b.size()];
}

std::string nearest_name(std::string_view word, const std::vector<std::string_view>& candidates) {
    std::string_view best;
    size_t best_distance = 0;
    for (std::string_view c : candidates) {
        const size_t d = edit_distance(word, c);
        // Two slips in any name, one more per four letters of a long one.
        if (d > std::max<size_t>(2, c.size() / 4)) continue;
        if (best.empty() || d < best_distance) {
            best = c;
            best_distance = d;
        }
    }
    if (!best.empty()) return std::string(best);
    // The start of exactly one name ("--work" for "--work-dir").
    const size_t letters = word.size() - std::min(word.find_first_not_of('-'), word.size());
    if (letters < 3) return {};
    std::string_view only;
    for (std::string_view c : candidates) {
        if (!c.starts_with(word)) continue;
        if (!only.empty()) return {};
        only = c;
    }
    return std::string(only);
}

std::string cli_error_line(const CliProgram& program, const CliCommand* command, std::string_view message) {
    const std::string who = command ? program.name + " " + command->name : program.name;
    return who + ": " + std::string(message) + "; see " + who + " --help";
}

CliParse parse_command_line(const CliProgram& program, int argc, char** argv) {
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) words.emplace_back(argv[i]);
    return parse_command_line(program, words);
}

CliParse parse_command_line(const CliProgram& program, const std::vector<std::string>& words) {
    CliParse result;
    // Help is what the user asked for, whatever else is wrong on the line.
    bool help = false;
    for (const std::string& word : words) {
        if (word == "--") break;
        help = help || word == "-h" || word == "--help";
    }
    bool version = false;
    bool only_words = false;  // after "--"
    std::string error;
    for (size_t i = 0; i < words.size() && error.empty(); ++i) {
        const std::string& word = words[i];
        if (!only_words && word == "--") {
            only_words = true;
            continue;
        }
        if (!only_words && word.size() > 1 && word[0] == '-') {
            if (word == "-h" || word == "--help") continue;  // seen before the parse
            if (word == "--version") {
                version = true;
                continue;
            }
            std::string name = word;
            std::string value;
            bool inline_value = false;
            if (const size_t eq = word.find('='); word.starts_with("--") && eq != std::string::npos) {
                name = word.substr(0, eq);
                value = word.substr(eq + 1);
                inline_value = true;
            }
            const CliOption* option = find_option(program.options, name);
            if (!option && result.command) option = find_option(result.command->options, name);
            if (!option) {
                error = unknown_option_message(program, result.command, name);
                break;
            }
            const bool takes_value = !option->value_name.empty();
            if (!takes_value && inline_value) {
                error = "option " + name + " takes no value";
                break;
            }
            if (takes_value && !inline_value) {
                if (i + 1 < words.size()) value = words[++i];
            }
            if (takes_value && value.empty()) {
                error = name + " needs " + option->value_noun;
                break;
            }
            if (option->apply && !option->apply(value, error)) {
                if (error.empty()) error = "bad value '" + value + "' for " + name;
                break;
            }
            continue;
        }
        if (!result.command && !program.commands.empty()) {
            result.command = find_command(program, word);
            if (!result.command) error = unknown_command_message(program, word);
            continue;
        }
        error = "unexpected argument '" + word + "'";
    }
    if (help) {
        result.outcome = CliOutcome::help;
    } else if (!error.empty()) {
        result.outcome = CliOutcome::error;
        result.error = cli_error_line(program, result.command, error);
    } else if (version) {
        result.outcome = CliOutcome::version;
    }
    return result;
}

std::string cli_help_text(const CliProgram& program, const CliCommand* command) {
    std::string out;
    if (command) {
        append_usage(out, "Usage: " + program.name + " [OPTIONS] ", command->usage);
        append_paragraph(out, command->description);
        if (!command->options.empty()) {
            out += "\nOptions of " + command->name + ":\n";
            append_options(out, command->options);
        }
        out += "\nThe options of '" + program.name + " --help' can be given too, before or after " +
               command->name + ".\n";
        return out;
    }
    append_usage(out, "Usage: " + program.name + " ", program.usage);
    for (const CliCommand& c : program.commands) {
        append_usage(out, "       " + program.name + " [OPTIONS] ", c.usage);
    }
    append_paragraph(out, program.description);
    if (!program.commands.empty()) {
        out += "\nCommands ('" + program.name + " COMMAND --help' tells more):\n";
        for (const CliCommand& c : program.commands) append_option(out, c.name, c.summary);
    }
    out += program.commands.empty() ? "\nOptions:\n" : "\nOptions (before or after the command):\n";
    append_options(out, program.options);
    append_option(out, "-h, --help", "this text");
    append_option(out, "--version", "the version");
    append_paragraph(out, program.epilogue);
    return out;
}

bool parse_command_args(const std::string& program_name, CliCommand command,
                        const std::vector<std::string>& args, bool& help, std::string& error) {
    CliProgram program;
    program.name = program_name;
    std::vector<std::string> words{command.name};
    words.insert(words.end(), args.begin(), args.end());
    program.commands = {std::move(command)};
    const CliParse parse = parse_command_line(program, words);
    switch (parse.outcome) {
        case CliOutcome::help:
            help = true;
            return true;
        case CliOutcome::error:
            error = parse.error;
            return false;
        case CliOutcome::run:
        case CliOutcome::version:
            break;
    }
    return true;
}

}  // namespace platform
