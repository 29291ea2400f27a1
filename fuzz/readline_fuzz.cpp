// readline_fuzz.cpp - libFuzzer target: arbitrary bytes read as text lines, each
// line parsed as an int and a float, and the parsed values printed and parsed
// again (a finite settings value must survive the trip exactly).
#include <cmath>
#include <cstdlib>

#include "engine/io/convert.h"
#include "engine/io/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StreamPtr stream = openMemoryStream(data, size);
    size_t characters = 0;
    while (stream->position() < stream->size()) {
        const std::string line = readLine(*stream);
        characters += line.size();
        for (char c : line)
            if (c == '\r' || c == '\n' || c == '\0') std::abort(); // never part of a line
        const int i = stringToInt(line);
        if (stringToInt(intToString(i)) != i) std::abort();
        // Only decimals are read, so no NaN can come out; a decimal too large
        // for a float gives an infinity, written "inf", which reads back as 0.
        const float f = stringToFloat(line);
        if (std::isnan(f)) std::abort();
        const float back = stringToFloat(floatToString(f));
        if (back != (std::isinf(f) ? 0.0f : f)) std::abort();
        floatToInt(f);
    }
    if (characters > size || !readLine(*stream).empty()) std::abort();
    return 0;
}
