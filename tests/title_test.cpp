// title_test.cpp - the scroller text and the scroller ring, and the start-up
// path helper.
#include <gtest/gtest.h>

#include "engine/render/font.h"
#include "shell/flow.h"
#include "shell/title.h"

namespace {

TEST(TitleScroller, TextOpensWithFullStopsAndEndsWithTheInvitation) {
    const std::string& text = scrollerText();
    ASSERT_GT(text.size(), 100u);
    EXPECT_EQ(text.substr(0, 3), "...");
    EXPECT_NE(text.find("Gloam Didaruv"), std::string::npos);
    for (const char* key : {"F1", "cursor keys", "space", "H ", "M ", "W ", "S ", "F10", "Q ",
                            "Esc", "second button"})
        EXPECT_NE(text.find(key), std::string::npos) << key;
    const std::string ending = "latest version of this and other games";
    ASSERT_GE(text.size(), ending.size());
    EXPECT_EQ(text.substr(text.size() - ending.size()), ending); // no space or full stop after
    for (char c : text)
        EXPECT_TRUE(c >= 32 && c < 127) << "not in the font: " << int(c);
}

// Plays the title scroller for two laps of its text and checks every frame.
TEST(TitleScroller, MovesOnePixelPerFrameAndNeverShowsAGap) {
    ScrollerState s;
    s.reset();
    EXPECT_EQ(s.x, 75);
    const std::string full = scrollerText();
    const int lap = textWidth(full); // pixels for one round of the ring
    int rotations = 0;
    for (int frame = 0; frame < 2 * lap + 5; ++frame) {
        const std::string before = s.text;
        s.rotate();
        if (s.text != before) {
            ++rotations;
            // Exactly one character went from the front to the back.
            ASSERT_EQ(s.text, before.substr(1) + before[0]) << "frame " << frame;
        }
        // On screen the text has moved exactly one pixel per frame.
        ASSERT_EQ(s.x - 8 * rotations, 75 - frame) << "frame " << frame;
        // The characters drawn reach from under the left end picture (x 48..79)
        // to under the right one (x 256..287): the strip between never shows a gap.
        const std::string shown = s.visible();
        ASSERT_EQ(static_cast<int>(shown.size()), SCROLLER_CHARS);
        ASSERT_LE(s.x, 80) << "frame " << frame;
        ASSERT_GE(s.x + textWidth(shown), 256) << "frame " << frame;
        // What is drawn is always a stretch of the ring, so after the last
        // sentence the opening full stops follow directly.
        const std::string ring = full + full;
        ASSERT_NE(ring.find(shown), std::string::npos) << "frame " << frame;
        s.advance();
    }
    EXPECT_EQ(rotations, 2 * static_cast<int>(full.size()));
    // Two full laps bring the text back to its start.
    EXPECT_EQ(s.text, full);
}

TEST(TitleScroller, ResetRestartsAtTheFirstCharacter) {
    ScrollerState s;
    s.reset();
    for (int i = 0; i < 100; ++i) {
        s.rotate();
        s.advance();
    }
    EXPECT_NE(s.text, scrollerText());
    s.reset();
    EXPECT_EQ(s.text, scrollerText());
    EXPECT_EQ(s.x, 75);
}

TEST(ProgramDirectory, FolderOfTheProgramPath) {
    const struct {
        const char* path;
        const char* folder;
    } cases[] = {
        {"/opt/gloam/gloam", "/opt/gloam"},
        {"/gloam", "/"},
        {"./gloam", "."},
        {"build/gloam", "build"},
        {"gloam", ""}, // found through PATH: no folder to go to
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(programDirectory(c.path), c.folder) << c.path;
}

} // namespace
