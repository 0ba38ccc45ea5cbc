// The console pointer and the text rules of console lines.
#include "plugin/shared_console.hpp"

#include <cstddef>

namespace cloak {

std::shared_ptr<CVarManagerWrapper> sharedConsole;

namespace {

// The length of the well-formed UTF-8 sequence starting at `at`, or 0 when none starts there
// (a stray continuation byte, an overlong form, a surrogate, a value past U+10FFFF, a sequence
// cut short).
std::size_t SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;  // the range of the byte after the lead
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t i = at + 2; i < at + length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    }
    return length;
}

}  // namespace

std::string ValidUtf8(std::string_view text) {
    std::string valid;
    valid.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = SequenceLength(text, at);
        if (length == 0) {
            valid += "\xEF\xBF\xBD";
            ++at;
        } else {
            valid.append(text.substr(at, length));
            at += length;
        }
    }
    return valid;
}

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string FailureText(const std::exception& error) {
    if (const auto* fileError = dynamic_cast<const std::filesystem::filesystem_error*>(&error)) {
        return fileError->code().message();
    }
    return error.what();
}

void LogLine(std::string_view line) {
    if (sharedConsole) sharedConsole->log(ValidUtf8(line));
}

}  // namespace cloak
