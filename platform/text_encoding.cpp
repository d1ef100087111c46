#include "platform/text_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace platform {
namespace {

// iconv descriptors carry conversion state, so each one is used under its own lock.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts in; an unconvertible or broken sequence of `skip` input bytes becomes `replacement`.
    std::string convert(std::string_view in, std::string_view replacement, bool utf8_input) {
        std::string out;
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return std::string(in);
        std::lock_guard lock(mutex_);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.reserve(in.size() * 2 + 8);
        char* src = const_cast<char*>(in.data());
        size_t src_left = in.size();
        char buffer[1024];
        while (src_left > 0) {
            char* dst = buffer;
            size_t dst_left = sizeof buffer;
            size_t r = iconv(cd_, &src, &src_left, &dst, &dst_left);
            out.append(buffer, static_cast<size_t>(dst - buffer));
            if (r != static_cast<size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL: replace one character and go on.
            out.append(replacement);
            size_t skip = 1;
            if (utf8_input) {
                auto lead = static_cast<unsigned char>(*src);
                skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            } else {
                auto lead = static_cast<unsigned char>(*src);
                bool double_byte = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
                skip = double_byte ? 2 : 1;
            }
            if (skip > src_left) skip = src_left;
            src += skip;
            src_left -= skip;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t cd_;
    std::mutex mutex_;
};

}  // namespace

std::string utf8_to_cp932(std::string_view utf8) {
    static Converter converter("CP932", "UTF-8");
    return converter.convert(utf8, "?", true);
}

std::string cp932_to_utf8(std::string_view cp932) {
    static Converter converter("UTF-8", "CP932");
    return converter.convert(cp932, "\xEF\xBF\xBD", false);
}

}  // namespace platform
