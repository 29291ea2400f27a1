// text_fuzz.cpp - libFuzzer target: arbitrary bytes typed into the window as
// one text event. Every character that comes out must be a Unicode scalar
// value, at most 256 wait, and valid UTF-8 must come out whole.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/input/input.h"

namespace {

// The code points of valid UTF-8, or false when `text` is not valid UTF-8.
bool decodeStrict(const std::string& text, std::u32string* out) {
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80   ? 1
                           : lead < 0xC2 ? 0
                           : lead < 0xE0 ? 2
                           : lead < 0xF0 ? 3
                           : lead < 0xF5 ? 4
                                         : 0;
        if (length == 0 || i + length > text.size()) return false;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return false;
        out->push_back(code);
        i += static_cast<size_t>(length);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A text event ends at its first zero byte, as SDL's do.
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    inputReset();
    inputTextEvent(text.c_str());
    std::u32string got;
    for (int c = getChar(); c != 0; c = getChar()) {
        if (c < 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) std::abort();
        got.push_back(static_cast<char32_t>(c));
    }
    if (got.size() > 256) std::abort();
    std::u32string want;
    if (decodeStrict(text, &want) && want.size() <= 256 && got != want) std::abort();
    return 0;
}
