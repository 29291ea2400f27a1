// long_run_sound_test.cpp - a long run of the shell's own screens with a
// sound device: every tune and effect keeps playing and the channels the
// shell reserves are given back, however many visits, games and deaths.
#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "engine/audio/mixer.h"
#include "engine/input/input.h"
#include "gameplay/exit.h"
#include "rules_test_support.h"
#include "shell/game.h"
#include "shell/hud.h"
#include "shell/play_loop.h"
#include "shell/title.h"

namespace {

SoundPtr testSound(int frames, int flags) {
    auto s = std::make_unique<Sound>();
    s->samples.assign(static_cast<size_t>(frames), 1000);
    s->frames = frames;
    s->flags = flags;
    return s;
}

void pushKey(SDL_Keycode sym, SDL_Scancode code, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = code;
    SDL_PushEvent(&e);
}

} // namespace

TEST(LongRunSound, ThousandsOfVisitsGamesExitsAndDeathsKeepEverySound) {
    // Window events go through SDL's queue without a window; a second thread
    // keeps pressing F1 (leaves the title) and holds Space (leaves Game Over),
    // as a player would, while the screens run their own loops.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    const bool opened = audioOpen();
    const bool events = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_VIDEODRIVER");
    ASSERT_TRUE(opened);
    ASSERT_TRUE(events);
    setInputPolling(true);
    // The sounds outlive the device that plays them: game is made first.
    Game game;
    rules_test::makeTestAssets(game.assets);
    struct Restore {
        ~Restore() {
            setInputPolling(false);
            inputReset();
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            audioClose();
        }
    } restore;
    // Declared after restore, so it stops before the devices go.
    std::jthread player([](std::stop_token stop) {
        while (!stop.stop_requested()) {
            pushKey(SDLK_F1, SDL_SCANCODE_F1, true);
            pushKey(SDLK_F1, SDL_SCANCODE_F1, false);
            pushKey(SDLK_SPACE, SDL_SCANCODE_SPACE, true);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });

    Assets& a = game.assets;
    a.musicTitle = testSound(MIX_RATE, SOUND_LOOP);
    a.musicGame = testSound(MIX_RATE, SOUND_LOOP);
    a.success = testSound(MIX_RATE / 2, 0);
    a.ow = testSound(100, 0);
    a.splat = testSound(100, 0);
    Platforms door;
    door.kind = TILE_EXIT;
    door.pictureId = 7;

    // Three reserved channels a round (title, game, Game Over) and a death in
    // every fourth: far more than the 4095 voice slots there are.
    const int rounds = 1500;
    int deaths = 0, maxReserved = 0;
    for (int round = 0; round < rounds; ++round) {
        titleScreen(game);
        ASSERT_TRUE(game.shell.musicChannel) << round; // the title tune had a channel
        ASSERT_FALSE(channelPlaying(game.shell.musicChannel)) << round; // stopped on leaving
        newGame(game);
        ASSERT_TRUE(channelPlaying(game.shell.musicChannel)) << round;

        // The level is won: the success sound starts on a voice of its own.
        game.world.loadLevelPending = 0; // as after the level's load
        game.world.itemList.clear();
        door.x = game.world.player.x;
        door.y = game.world.player.y;
        const int level = game.world.player.level;
        exitRule(game.world, a, door, true);
        ASSERT_EQ(game.world.player.level, level + 1) << round;

        if (round % 4 == 0) {
            lostLifeWait(game); // waits for the end of the sound it started
            ASSERT_TRUE(game.shell.sfxChannel) << round;
            ASSERT_FALSE(channelPlaying(game.shell.sfxChannel)) << round;
            ++deaths;
        }
        gameOver(game);
        ASSERT_TRUE(game.shell.sfxChannel) << round; // the splat had a channel
        stopChannel(game.shell.musicChannel);
        maxReserved = std::max(maxReserved, reservedChannels());
    }
    player.request_stop();
    player.join();

    EXPECT_EQ(deaths, 375);
    EXPECT_LE(maxReserved, 2); // the tune's and the last effect's
    // Still room for a fresh voice after it all.
    EXPECT_TRUE(playSound(a.success.get()));
}
