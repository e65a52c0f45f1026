#include "service/mnemonic_query.h"

#include <charconv>

namespace lexiquill::service {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string decodePercent(std::string_view text, bool plusIsBlank)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+' && plusIsBlank) {
            decoded += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += c;
        }
    }
    return decoded;
}

}  // namespace

std::string decodeQueryComponent(std::string_view text) { return decodePercent(text, true); }

std::string decodePath(std::string_view text) { return decodePercent(text, false); }

std::optional<std::string> queryParameter(std::string_view target, std::string_view name)
{
    const std::size_t mark = target.find('?');
    if (mark == std::string_view::npos) return std::nullopt;
    std::string_view rest = target.substr(mark + 1);
    while (true) {
        const std::size_t end = rest.find('&');
        const std::string_view parameter = rest.substr(0, end);
        const std::size_t equals = parameter.find('=');
        if (decodeQueryComponent(parameter.substr(0, equals)) == name) {
            return decodeQueryComponent(equals == std::string_view::npos
                                            ? std::string_view()
                                            : parameter.substr(equals + 1));
        }
        if (end == std::string_view::npos) return std::nullopt;
        rest.remove_prefix(end + 1);
    }
}

std::optional<std::uint64_t> wholeNumber(std::string_view text)
{
    std::uint64_t number = 0;
    const char* last = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), last, number);
    if (text.empty() || error != std::errc() || at != last) return std::nullopt;
    return number;
}

MnemonicQuery parseMnemonicQuery(std::string_view target)
{
    MnemonicQuery query;
    query.phrase = queryParameter(target, "w").value_or(std::string());
    if (const std::optional<std::string> seed = queryParameter(target, "seed")) {
        query.seed = wholeNumber(*seed);
        query.badSeed = !query.seed;
    }
    return query;
}

std::size_t characterLength(std::string_view utf8)
{
    if (utf8.empty()) return 0;
    const auto lead = static_cast<unsigned char>(utf8[0]);
    const std::size_t length = lead >= 0xF0 && lead <= 0xF4   ? 4
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xC2 && lead <= 0xDF ? 2
                                                              : 1;
    if (length > utf8.size()) return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) return 1;
    }
    return length;
}

std::string mnemonicLetters(std::string_view utf8)
{
    std::string letters;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte >= 'a' && byte <= 'z') {
            letters += static_cast<char>(byte - 'a' + 'A');
        } else if (byte >= 'A' && byte <= 'Z') {
            letters += static_cast<char>(byte);
        } else if (i + 1 < utf8.size()) {
            // The only characters outside ASCII whose upper case is one of A to Z: dotless i
            // (U+0131) and long s (U+017F). Every other byte, valid UTF-8 or not, is skipped.
            const auto next = static_cast<unsigned char>(utf8[i + 1]);
            if (byte == 0xC4 && next == 0xB1) {
                letters += 'I';
                ++i;
            } else if (byte == 0xC5 && next == 0xBF) {
                letters += 'S';
                ++i;
            }
        }
    }
    return letters;
}

}  // namespace lexiquill::service
