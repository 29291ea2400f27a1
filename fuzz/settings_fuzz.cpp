// settings_fuzz.cpp - libFuzzer target: any bytes as the settings file
// gloam.cfg, read by readSettings. Run as
//   build-fuzz/fuzz/settings_fuzz fuzz/corpus/settings_fuzz
//
// Whatever the file holds, reading it must not end the program (only an
// unwritable file may), must give a mode the display can open (a depth of 0
// or more, a finite scale above 0 that fits the desktop), and writing that
// mode and reading it back must give exactly the same mode. SDL's dummy video
// driver stands in for a desktop of 1024 x 768, so no X server is needed.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/io/convert.h"
#include "shell/screen.h"

namespace {

std::string scratchFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/settings_fuzz.XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
}

struct Folder {
    std::string path = scratchFolder();
    std::string file = path + "/gloam.cfg";
    ~Folder() {
        std::remove(file.c_str());
        rmdir(path.c_str());
    }
};

void check(bool condition) {
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Folder folder;
    FILE* f = std::fopen(folder.file.c_str(), "wb");
    check(f && std::fwrite(data, 1, size, f) == size && std::fclose(f) == 0);

    Screen screen;
    readSettings(screen, folder.file);
    check(screen.colourDepth >= 0);
    check(std::isfinite(screen.scale) && screen.scale > 0.0f);
    // The window size truncates (3.2 gives 1024.0000153, a window of 1024).
    check(floatToInt(screen.logicalWidth * static_cast<double>(screen.scale)) <= 1024);
    check(floatToInt(screen.logicalHeight * static_cast<double>(screen.scale)) <= 768);

    writeSettings(screen, folder.file);
    Screen back;
    readSettings(back, folder.file);
    check(back.colourDepth == screen.colourDepth && back.scale == screen.scale);
    return 0;
}
