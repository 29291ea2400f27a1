// screen.h - the display manager: how the 320 x 240 logical area reaches the
// monitor (window scale or full screen), and the settings file that remembers
// that choice between runs.
#pragma once

#include <string>

constexpr const char* SETTINGS_FILE = "gloam.cfg";

class Screen {
  public:
    int logicalWidth = 320;
    int logicalHeight = 240;
    int windowWidth = 320;
    int windowHeight = 240;
    int colourDepth = 16; // 0 windowed, otherwise full screen at that depth
    int refreshRate = 60;
    float scale = 1.0f; // kept, stepped and compared as a 32-bit float
    int labelTimer = 0; // frames the size label has shown; 0 = hidden

    void apply();                  // opens the display for the current choice
    void cycleScale(int n);        // n = 0: next scale of the cycle; n > 0: that scale
    void toggleFullScreen();       // window <-> full screen at the current size
    void drawModeLabel();          // one frame of the size label, advances labelTimer
    std::string modeLabel() const; // e.g. "640x480"
    // Closes the display and opens ww x wh at depth and hertz, then maps the
    // lw x lh logical area onto it. Ends the program with a message when no
    // window can be made at all.
    static void openDisplay(int lw, int lh, int ww, int wh, int depth, int hertz);
};

// Reads the settings file into the screen, or creates it with the defaults
// (windowed, scale 1.0). A scale that is not finite and above 0, or that
// would not fit the desktop, starts at 1.0. Raises "Cannot write
// configuration file" when the file has to be created and cannot be.
void readSettings(Screen& screen, const std::string& path = SETTINGS_FILE);
// Writes the two lines through a temporary file renamed over the old one;
// raises "Cannot write configuration file" on failure.
void writeSettings(const Screen& screen, const std::string& path = SETTINGS_FILE);
