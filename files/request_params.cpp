#include "files/request_params.h"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace files {
namespace {

struct KeyKind {
    std::string_view key;
    ParamKind kind;
};

constexpr KeyKind kKeys[] = {
    {"max_pixnum", ParamKind::integer},  {"min_pixnum", ParamKind::integer},
    {"left_cam_id", ParamKind::integer}, {"color_th", ParamKind::real},
    {"min_dist", ParamKind::real},       {"max_dist", ParamKind::real},
    {"precision", ParamKind::integer},
};

// The tool reads its lines in pieces of 63 characters; the line feed must come with the value.
constexpr size_t kMaxLineText = 62;

bool is_integer_text(std::string_view v) {
    size_t i = (!v.empty() && (v[0] == '+' || v[0] == '-')) ? 1 : 0;
    if (i == v.size()) return false;
    for (; i < v.size(); ++i) {
        if (v[i] < '0' || v[i] > '9') return false;
    }
    return true;
}

// Decimal notation only: the tool's reader would take "0x1p3", "inf" or "nan" in ways no
// controller means.
bool is_real_text(std::string_view v) {
    bool digit = false;
    for (char c : v) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c != '+' && c != '-' && c != '.' && c != 'e' && c != 'E') {
            return false;
        }
    }
    return digit;
}

}  // namespace

std::optional<ParamKind> request_key_kind(std::string_view key) {
    for (const auto& k : kKeys) {
        if (k.key == key) return k.kind;
    }
    return std::nullopt;
}

std::string request_key_list() {
    std::string list;
    for (const auto& k : kKeys) {
        if (!list.empty()) list += ", ";
        list += k.key;
    }
    return list;
}

bool check_request_param(std::string_view key, std::string_view value, std::string& error) {
    const auto kind = request_key_kind(key);
    if (!kind) {
        error = "unknown request key '" + std::string(key) + "' (known: " + request_key_list() + ")";
        return false;
    }
    const std::string text(value);
    if (*kind == ParamKind::integer) {
        errno = 0;
        const long long n = is_integer_text(text) ? std::strtoll(text.c_str(), nullptr, 10) : 0;
        if (!is_integer_text(text) || errno == ERANGE || n < INT_MIN || n > INT_MAX) {
            error = std::string(key) + " needs a whole number, not '" + text + "'";
            return false;
        }
        // The tool knows two modes; any other number would quietly give the default one.
        if (key == "precision" && n != 0 && n != 1) {
            error = "precision is 0 (whole pixels) or 1 (sub-pixel), not '" + text + "'";
            return false;
        }
    } else {
        char* end = nullptr;
        errno = 0;
        const double d = is_real_text(text) ? std::strtod(text.c_str(), &end) : 0.0;
        const bool whole = is_real_text(text) && end && *end == '\0';
        if (!whole || errno == ERANGE || !std::isfinite(d) || std::fabs(d) > FLT_MAX) {
            error = std::string(key) + " needs a decimal number, not '" + text + "'";
            return false;
        }
    }
    if (key.size() + 1 + value.size() > kMaxLineText) {
        error = "the value of " + std::string(key) + " is too long for a request line";
        return false;
    }
    return true;
}

void set_request_param(std::vector<RequestParam>& params, std::string key, std::string value) {
    for (auto& p : params) {
        if (p.key == key) {
            p.value = std::move(value);
            return;
        }
    }
    params.push_back({std::move(key), std::move(value)});
}

std::string format_request(const std::vector<RequestParam>& params) {
    std::string text;
    for (const auto& p : params) text += p.key + "," + p.value + "\n";
    return text;
}

}  // namespace files
