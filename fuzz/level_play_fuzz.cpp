// level_play_fuzz.cpp - libFuzzer target: any bytes as a level file, then
// played for a second of game time through the headless session, so the
// rules meet whatever the loader accepted (baddies with absurd bounds and
// speeds, tiles anywhere, no start, no exit). Run as
//   build-fuzz/fuzz/level_play_fuzz fuzz/corpus/level_fuzz
//
// Nothing may crash or overflow; a failed tick must name the level file.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "scratch_level.h"
#include "shell/replay.h"

namespace {

// Walk right, jump right, walk left, jump, stand: every movement rule once.
constexpr ReplayStep kSteps[] = {
    {.ticks = 12, .right = true},
    {.ticks = 12, .right = true, .jump = true},
    {.ticks = 12, .left = true},
    {.ticks = 12, .jump = true},
    {.ticks = 12},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchLevel folder("play_fuzz");
    static Headless session;
    folder.write(data, size);

    std::string error;
    if (!session.begin(folder.path, 1, &error)) std::abort();
    for (const ReplayStep& step : kSteps) {
        for (int i = 0; i < step.ticks && !session.over(); ++i) {
            if (!session.tick(step, &error)) {
                if (error.find(folder.path + "\\level1.txt") == std::string::npos) std::abort();
                return 0;
            }
        }
    }
    return 0;
}
