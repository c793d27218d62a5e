#include "records/cp932.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace {

constexpr std::string_view QUESTION_UTF8 = "？";
constexpr std::string_view QUESTION_CP932 = "\x81\x48";
constexpr std::string_view FULLWIDTH_QUOTE_UTF8 = "＂";

// One direction of iconv. glibc ships the CP932 tables with the C
// library itself, so failing to open one is a broken installation.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from))
    {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts from the front of in until the end or the first sequence
    // the tables refuse; appends the result to out and returns the
    // number of bytes taken.
    std::size_t convert_prefix(std::string_view in, std::string& out)
    {
        char* in_ptr = const_cast<char*>(in.data());
        std::size_t in_left = in.size();
        char chunk[1024];
        while (in_left > 0) {
            char* out_ptr = chunk;
            std::size_t out_left = sizeof chunk;
            std::size_t result = iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left);
            out.append(chunk, out_ptr);
            if (result == static_cast<std::size_t>(-1) && errno != E2BIG)
                break;
        }
        return in.size() - in_left;
    }

private:
    iconv_t cd_;
};

// Converts all of in, putting replacement in place of each refused
// sequence; skip_length says how much of the input to drop there.
template <typename SkipLength>
std::string convert_all(Converter& converter, std::string_view in, std::string_view replacement,
                        SkipLength skip_length)
{
    std::string out;
    while (!in.empty()) {
        in.remove_prefix(converter.convert_prefix(in, out));
        if (in.empty())
            break;
        out += replacement;
        in.remove_prefix(skip_length(in));
    }
    return out;
}

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 character at the front of text,
// or 1 for a stray byte, so one refused character is dropped as a whole
// and a broken one byte by byte.
std::size_t utf8_char_length(std::string_view text)
{
    auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length > text.size())
        return 1;
    for (std::size_t i = 1; i < length; ++i)
        if (!is_continuation(static_cast<unsigned char>(text[i])))
            return 1;
    return length;
}

std::string replace_double_quotes(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '"')
            out += FULLWIDTH_QUOTE_UTF8;
        else
            out += c;
    }
    return out;
}

}  // namespace

std::string cp932_to_utf8(std::string_view bytes)
{
    static Converter decoder("UTF-8", "CP932");
    return convert_all(decoder, bytes, QUESTION_UTF8, [](std::string_view) { return std::size_t{1}; });
}

std::string utf8_to_cp932(std::string_view text)
{
    static Converter encoder("CP932", "UTF-8");
    return convert_all(encoder, replace_double_quotes(text), QUESTION_CP932, utf8_char_length);
}
