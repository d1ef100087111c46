#pragma once
// The parameter lines a controller puts into the request file: which keys the tool reads, what
// values they take, and the file text made of them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace files {

enum class ParamKind { integer, real };

// One "key,value" line of the request file.
struct RequestParam {
    std::string key;
    std::string value;
};

// The kind of value the tool reads for a key; nullopt for a key it does not know.
std::optional<ParamKind> request_key_kind(std::string_view key);
// The keys the tool knows, for messages: "max_pixnum, min_pixnum, ...".
std::string request_key_list();

// Checks that the tool reads `value` for `key` as written: a decimal integer that fits 32 bits or
// a finite decimal number that fits a float, on a line short enough to be read in one piece.
// False with a one-line message otherwise.
bool check_request_param(std::string_view key, std::string_view value, std::string& error);

// Adds the key, or gives an earlier line of the same key the new value (the later one wins).
void set_request_param(std::vector<RequestParam>& params, std::string key, std::string value);

// The request file text: one "key,value\n" line per parameter, in the given order.
std::string format_request(const std::vector<RequestParam>& params);

}  // namespace files
