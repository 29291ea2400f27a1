// font_test.cpp - the built-in font table's layout and text measuring.
// Headless: drawing is covered by the render tests under a window.
#include <gtest/gtest.h>

#include <string>

#include "engine/render/font.h"

namespace {

uint8_t glyphRow(char c, int row) {
    return fontTable()[row * 96 + (c - 32)];
}

TEST(Font, TableLayoutRowsAndBitOrder) {
    // Space is empty; '_' is one full row, the lowest inked row, and nothing else.
    for (int row = 0; row < 16; ++row) {
        EXPECT_EQ(glyphRow(' ', row), 0) << row;
        EXPECT_EQ(glyphRow('_', row), row == 11 ? 0xFF : 0) << row;
    }
    // 'L' stands on the left (bit 0 = leftmost column) with its foot at the
    // bottom (row 0 = top): stem only on the left, foot wider than the stem.
    int stemRows = 0;
    for (int row = 0; row < 16; ++row) {
        const uint8_t bits = glyphRow('L', row);
        if (bits == 0) continue;
        EXPECT_TRUE(bits & 1) << row;
        if (bits == 0x03) ++stemRows;
    }
    EXPECT_GE(stemRows, 6);
    EXPECT_GT(glyphRow('L', 9), glyphRow('L', 5));
    EXPECT_EQ(glyphRow('L', 0), 0);
    // '7' has its bar at the top.
    EXPECT_GT(glyphRow('7', 1), 0x3F);
}

TEST(Font, EveryPrintableGlyphHasInkKeepsItsGapAndStaysInTheTopTwelveRows) {
    for (int code = 33; code < 128; ++code) {
        int ink = 0;
        for (int row = 0; row < 16; ++row) {
            const uint8_t bits = glyphRow(static_cast<char>(code), row);
            ink += bits != 0;
            // The level title is drawn 12 pixels above the bottom edge, so
            // ink below row 11 would be cut off there.
            if (row > 11) {
                EXPECT_EQ(bits, 0) << "code " << code << " row " << row;
            }
            // Column 7 separates neighbours; only '_' and the shaded block
            // of 127 join up.
            if (code != '_' && code != 127) {
                EXPECT_EQ(bits & 0x80, 0) << "code " << code << " row " << row;
            }
        }
        EXPECT_GT(ink, 0) << "code " << code;
    }
}

TEST(Font, GlyphsAreDistinct) {
    for (int a = 33; a < 128; ++a) {
        for (int b = a + 1; b < 128; ++b) {
            bool same = true;
            for (int row = 0; row < 16 && same; ++row)
                same = glyphRow(static_cast<char>(a), row) == glyphRow(static_cast<char>(b), row);
            EXPECT_FALSE(same) << "codes " << a << " and " << b;
        }
    }
}

TEST(Font, Measuring) {
    struct Case {
        std::string text;
        int width;
    };
    const Case cases[] = {
        {"", 0},
        {"Score: 0", 64},
        {"Air", 24},
        {"A\tB", 16}, // control characters are skipped
        {std::string("A\xC8"
                     "B"),
         16},                     // so is anything above 127
        {std::string("\x7F"), 8}, // 127 has a glyph
        {std::string("\x1F"), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(textWidth(c.text), c.width) << c.text;
    EXPECT_EQ(textHeight(""), 16);
    EXPECT_EQ(textHeight("Game Over"), 16);
}

} // namespace
