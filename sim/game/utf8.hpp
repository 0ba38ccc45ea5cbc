// UTF-8 for the stand-ins: the texts the match scripts, the screens and the drawn settings page
// carry.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace emu {

class InvalidUtf8 : public std::runtime_error {
public:
    InvalidUtf8() : std::runtime_error("invalid UTF-8 text") {}
};

// Appends one code point; a surrogate or a value beyond U+10FFFF becomes U+FFFD, so the output is
// always valid UTF-8.
void AppendUtf8(std::string& out, char32_t code);
// A lone surrogate becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);
// Throws InvalidUtf8 on a text that is not UTF-8.
std::u16string Utf16FromUtf8(std::string_view text);

}  // namespace emu
