// pad_test.cpp - pads that SDL's game controller layer knows, next to plain
// joysticks: the named buttons and the x axis, pads plugged in and out while
// the game runs, and Start / Back on the title and in the pause. Everything
// goes through SDL's virtual joysticks and the game's own input queries,
// play tick, title screen and pause.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "engine/display/graphics.h"
#include "engine/input/input.h"
#include "shell/play_loop.h"
#include "shell/title.h"
#include "world_test_support.h"

namespace {

constexpr int FLAT = 1; // tests/levels/moves: a floor right across
constexpr int FLOOR_Y = 190;

enum class Kind { Pad, Plain };

// One virtual device. A pad has every controller button and axis, numbered
// as SDL's controller layer numbers them; a plain joystick has two axes, a
// hat and eight buttons and no mapping. A script, when set, is played one
// character per SDL update: '.' nothing, 'S' Start held, 'B' Back held.
class Device {
  public:
    explicit Device(Kind kind) {
        SDL_VirtualJoystickDesc desc;
        SDL_zero(desc);
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        if (kind == Kind::Pad) {
            desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
            desc.naxes = SDL_CONTROLLER_AXIS_MAX;
            desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
            desc.name = "test pad";
        } else {
            desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
            desc.naxes = 2;
            desc.nbuttons = 8;
            desc.nhats = 1;
            desc.name = "test stick";
        }
        desc.userdata = this;
        desc.Update = &Device::update;
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        stick_ = index >= 0 ? SDL_JoystickOpen(index) : nullptr;
        id_ = stick_ ? SDL_JoystickInstanceID(stick_) : -1;
    }
    ~Device() { unplug(); }
    bool ok() const { return stick_ != nullptr; }
    void unplug() {
        if (!stick_) return;
        SDL_JoystickClose(stick_);
        stick_ = nullptr;
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) == id_) SDL_JoystickDetachVirtual(i);
        }
    }
    void button(int b, bool down) { SDL_JoystickSetVirtualButton(stick_, b, down ? 1 : 0); }
    void axis(int raw) { SDL_JoystickSetVirtualAxis(stick_, 0, static_cast<Sint16>(raw)); }
    void hat(Uint8 value) { SDL_JoystickSetVirtualHat(stick_, 0, value); }
    void dpad(int dx) {
        button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, dx < 0);
        button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, dx > 0);
    }
    void script(const std::string& s) {
        script_ = s;
        updates_ = 0;
    }
    size_t updates() const { return updates_; }

  private:
    static void SDLCALL update(void* self) {
        Device& d = *static_cast<Device*>(self);
        if (d.script_.empty() || !d.stick_) return;
        const char c = d.updates_ < d.script_.size() ? d.script_[d.updates_] : '.';
        ++d.updates_;
        d.button(SDL_CONTROLLER_BUTTON_START, c == 'S');
        d.button(SDL_CONTROLLER_BUTTON_BACK, c == 'B');
    }
    SDL_Joystick* stick_ = nullptr;
    SDL_JoystickID id_ = -1;
    std::string script_;
    size_t updates_ = 0;
};

// The ports empty after start-up's enumeration, or false when a real
// joystick would be port 0.
bool noRealJoystick() {
    return joyCount() == 0;
}

// ---- The queries -------------------------------------------------------------------------

TEST(PadInput, NamedButtonsAndTheXAxis) {
    inputReset();
    if (!noRealJoystick()) GTEST_SKIP() << "a real joystick is attached";
    const struct {
        const char* name;
        Kind kind;
        int dpad, stick, button; // button -1: none
        float x;
        int down0, down1, start;
    } cases[] = {
        {"1 d-pad left", Kind::Pad, -1, 0, -1, -1.0f, 0, 0, 0},
        {"2 d-pad right", Kind::Pad, 1, 0, -1, 1.0f, 0, 0, 0},
        {"3 stick just beyond half-way right", Kind::Pad, 0, 16385, -1, 1.0f, 0, 0, 0},
        {"4 stick exactly half-way", Kind::Pad, 0, 16384, -1, 0.0f, 0, 0, 0},
        {"5 stick just beyond half-way left", Kind::Pad, 0, -16385, -1, -1.0f, 0, 0, 0},
        {"6 stick at the rim", Kind::Pad, 0, -32768, -1, -1.0f, 0, 0, 0},
        {"7 stick below half-way", Kind::Pad, 0, -12000, -1, 0.0f, 0, 0, 0},
        {"8 the d-pad beats the stick", Kind::Pad, 1, -32768, -1, 1.0f, 0, 0, 0},
        {"9 A is button 0", Kind::Pad, 0, 0, SDL_CONTROLLER_BUTTON_A, 0.0f, 1, 0, 0},
        {"10 B is button 1", Kind::Pad, 0, 0, SDL_CONTROLLER_BUTTON_B, 0.0f, 0, 1, 0},
        {"11 Start", Kind::Pad, 0, 0, SDL_CONTROLLER_BUTTON_START, 0.0f, 0, 0, 1},
        {"12 plain: the axis, not the hat", Kind::Plain, 1, -32768, -1, -1.0f, 0, 0, 0},
        {"13 plain: button 6 is no Start", Kind::Plain, 0, 32767, PAD_START, 1.0f, 0, 0, 0},
        {"14 plain: raw button 1", Kind::Plain, 0, 32767, 1, 1.0f, 0, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Device d(c.kind);
        ASSERT_TRUE(d.ok()) << SDL_GetError();
        if (c.kind == Kind::Pad)
            d.dpad(c.dpad);
        else
            d.hat(c.dpad > 0 ? SDL_HAT_RIGHT : SDL_HAT_CENTERED);
        d.axis(c.stick);
        if (c.button >= 0) d.button(c.button, true);
        EXPECT_EQ(joyX(0), c.x);
        EXPECT_EQ(joyDown(0, 0), c.down0);
        EXPECT_EQ(joyDown(1, 0), c.down1);
        EXPECT_EQ(padHit(PAD_START, 0), c.start);
        EXPECT_EQ(padHit(PAD_START, 0), 0) << "reported once";
        d.unplug();
        EXPECT_EQ(joyX(0), 0.0f) << "pulled out: released at once";
        EXPECT_EQ(joyDown(c.button < 0 ? 0 : c.button, 0), 0);
    }
}

// Port 0 is the first device attached; a device keeps its port while it is
// plugged in, and a freed port goes to the next device plugged in.
TEST(PadInput, PortsFollowPlugging) {
    inputReset();
    if (!noRealJoystick()) GTEST_SKIP() << "a real joystick is attached";
    auto first = std::make_unique<Device>(Kind::Pad);
    Device second(Kind::Plain);
    ASSERT_TRUE(first->ok() && second.ok()) << SDL_GetError();
    first->button(SDL_CONTROLLER_BUTTON_A, true);
    second.button(0, true);
    second.button(1, true);
    EXPECT_EQ(joyDown(0, 0), 1);
    EXPECT_EQ(joyDown(1, 0), 0);
    EXPECT_EQ(joyDown(1, 1), 1);
    first.reset();
    EXPECT_EQ(joyDown(0, 0), 0);
    EXPECT_EQ(joyDown(1, 1), 1) << "the second keeps its port";
    Device third(Kind::Pad);
    ASSERT_TRUE(third.ok());
    third.button(SDL_CONTROLLER_BUTTON_B, true);
    EXPECT_EQ(joyDown(1, 0), 1);
    EXPECT_EQ(joyCount(), 2);
    inputReset();
}

// ---- The play loop -----------------------------------------------------------------------

class PadPlay : public testing::Test {
  protected:
    Headless& s = sharedSession();
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(s.begin(testLevels("moves"), FLAT, &error)) << error;
        play(s, 1); // the level
        if (!noRealJoystick()) GTEST_SKIP() << "a real joystick is attached";
    }
    void TearDown() override { inputReset(); }
};

// Walking and jumping: a pad by its d-pad, stick and A; a plain joystick
// only at the exact ends of its axis, with its button 0.
TEST_F(PadPlay, WalkAndJump) {
    const struct {
        const char* name;
        Kind kind;
        int dpad, stick, walked, jumpButton;
    } cases[] = {
        {"1 pad d-pad", Kind::Pad, 1, 0, 10, SDL_CONTROLLER_BUTTON_A},
        {"2 pad stick beyond half-way", Kind::Pad, 0, -20000, -10, SDL_CONTROLLER_BUTTON_A},
        {"3 pad stick below half-way", Kind::Pad, 0, 15000, 0, SDL_CONTROLLER_BUTTON_A},
        {"4 plain stick at the end", Kind::Plain, 0, 32767, 10, 0},
        {"5 plain stick not quite at the end", Kind::Plain, 0, -32700, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Device d(c.kind);
        ASSERT_TRUE(d.ok()) << SDL_GetError();
        placeMiner(s, 150, FLOOR_Y);
        if (c.kind == Kind::Pad) d.dpad(c.dpad);
        d.axis(c.stick);
        play(s, 10);
        EXPECT_EQ(miner(s).x, 150 + c.walked);
        d.dpad(0);
        d.axis(0);

        // A press jumps; one pressed and let go in the air jumps again on landing.
        d.button(c.jumpButton, true);
        play(s, 1);
        EXPECT_EQ(miner(s).y, FLOOR_Y - 2);
        d.button(c.jumpButton, false);
        play(s, 5);
        d.button(c.jumpButton, true);
        play(s, 1);
        d.button(c.jumpButton, false);
        play(s, 35); // tick 42: back on the floor
        EXPECT_EQ(miner(s).y, FLOOR_Y);
        play(s, 1);
        EXPECT_EQ(miner(s).jumping, 1) << "the press made in the air";
        EXPECT_EQ(miner(s).y, FLOOR_Y - 2);
        play(s, 60);
        EXPECT_EQ(miner(s).y, FLOOR_Y) << "and only one";
    }
}

// A pad plugged in after start-up walks the miner from the next tick; pulled
// out mid-walk the miner stops at once; another plugged in works again.
TEST_F(PadPlay, PluggedInAndOutWhilePlaying) {
    placeMiner(s, 150, FLOOR_Y);
    play(s, 5);
    auto pad = std::make_unique<Device>(Kind::Pad);
    ASSERT_TRUE(pad->ok()) << SDL_GetError();
    pad->dpad(1);
    play(s, 1);
    EXPECT_EQ(miner(s).x, 151);
    play(s, 9);
    EXPECT_EQ(miner(s).x, 160);
    pad.reset();
    play(s, 1);
    EXPECT_EQ(miner(s).x, 160) << "the miner stops";
    play(s, 20);
    EXPECT_EQ(miner(s).x, 160);
    Device again(Kind::Plain);
    ASSERT_TRUE(again.ok()) << SDL_GetError();
    again.axis(-32768);
    play(s, 1);
    EXPECT_EQ(miner(s).x, 159);
}

// ---- Start and Back on the title and in the pause (needs a window) -----------------------

class PadScreens : public PadPlay {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
        ASSERT_TRUE(openGraphics(320, 240, 0, 60, BACK_BUFFER)) << graphicsError();
        PadPlay::SetUp();
    }
    void TearDown() override {
        PadPlay::TearDown();
        closeGraphics();
    }
    // One pass of the play loop, pause included; false if it failed.
    bool tick() {
        std::string error;
        return playTick(s.game(), &error);
    }
    // The pause grabs the frame into newScreenGrab; nothing else does in
    // the middle of a level.
    bool paused() { return s.game().world.newScreenGrab != nullptr; }
    void notPaused() { s.game().world.newScreenGrab.reset(); }
};

// B held or a Start press leaves the title to play, and the Start press that
// did so never pauses the game it started: if it did, only the second press
// of the script, far on, would end that pause.
TEST_F(PadScreens, BAndStartStartAGameThatDoesNotPause) {
    const struct {
        const char* name;
        bool holdB;
        std::string script;
    } cases[] = {
        {"1 B held", true, ""},
        {"2 Start pressed and held", false,
         "..." + std::string(40, 'S') + std::string(300, '.') + "S"},
        {"3 Start pressed briefly", false, "..S" + std::string(300, '.') + "S"},
        {"4 B held, Start pressed with it", true, "S" + std::string(300, '.') + "S"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Device pad(Kind::Pad);
        ASSERT_TRUE(pad.ok()) << SDL_GetError();
        pad.button(SDL_CONTROLLER_BUTTON_B, c.holdB);
        pad.script(c.script);
        Game& game = s.game();
        titleScreen(game);
        EXPECT_EQ(game.shell.quitProgram, 0);
        pad.button(SDL_CONTROLLER_BUTTON_B, false);
        newGame(game);
        ASSERT_TRUE(tick()); // the first level slides in
        notPaused();
        for (int t = 0; t < 10; ++t)
            ASSERT_TRUE(tick());
        EXPECT_FALSE(paused());
        EXPECT_LT(pad.updates(), 300u);
    }
}

// In play Start pauses and a second Start resumes; Back in the pause gives
// up the game without Game Over; a Back pressed in play does not end the
// pause that follows.
TEST_F(PadScreens, StartPausesAndBackGivesUp) {
    const std::string rest(30, '.');
    const struct {
        const char* name;
        std::string script;
        int quit;
    } cases[] = {
        {"1 Start, Start", "S" + rest + "S", 0},
        {"2 Start, Back", "S" + rest + "B", 1},
        {"3 Back in play, then Start, Start", "B.S" + rest + "S", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Device pad(Kind::Pad);
        ASSERT_TRUE(pad.ok()) << SDL_GetError();
        ASSERT_TRUE(tick());
        notPaused();
        if (c.script[0] == 'B') {
            pad.script("B");
            ASSERT_TRUE(tick());
            ASSERT_TRUE(tick());
        }
        pad.script(c.script.substr(c.script.find('S')));
        ASSERT_TRUE(tick());
        EXPECT_TRUE(paused());
        EXPECT_GE(pad.updates(), rest.size()) << "the pause ran until the second press";
        GameState& g = s.game().world;
        EXPECT_EQ(g.quitToTitle, c.quit);
        EXPECT_EQ(playLoopOver(s.game()), c.quit == 1);
        EXPECT_EQ(g.player.lives, 4) << "no life lost, so no Game Over";
        g.quitToTitle = 0;
    }
}

} // namespace
