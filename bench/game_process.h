// game_process.h - the real game as a child process, for the benchmarks that
// measure it from outside (start-up time, CPU, peak memory), and a look at
// its window through Xlib.
//
//   GameProcess game;                      // copies gloam and levels to a temp folder
//   game.start();                          // runs it there (SDL_AUDIODRIVER=dummy)
//   XProbe x;  x.open();                   // the X server of DISPLAY
//   unsigned long w = x.findWindow("Gloam Didaruv");
//   x.grab(w, 0, 88, 320, 8, &rgb);        // RGB bytes of a window region
//   game.cpuSeconds(); game.peakRssKiB();  // from /proc
//   game.stop();                           // SIGTERM: the game's own orderly exit
//
// Xlib is loaded at run time, so the benchmark binary links nothing new; the
// game's folder holds a settings file for a 320 x 240 window, so the copy never
// touches the settings of the build folder.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// The folder that holds the running benchmark program (the build folder).
std::string benchProgramFolder();
// A "Key: n kB" field of /proc/<pid>/status, in KiB; -1 when missing.
long statusKiB(pid_t pid, const std::string& key);
// User + system time of any process so far, in seconds; 0 when it is gone.
double processCpuSeconds(pid_t pid);
// The Xvfb (or Xorg) process serving DISPLAY, or -1: it draws what the game
// presents, so its CPU is part of the cost of a frame.
pid_t displayServerPid();
// Monotonic seconds.
double benchNow();

// The game program the benchmarks run: $GLOAM_BENCH_GAME when set (to
// measure another build of the game), else gloam beside the benchmark.
std::string benchGameProgram();

class GameProcess {
  public:
    // The folder's gloam.cfg: a 320 x 240 window unless told otherwise.
    explicit GameProcess(const std::string& settings = "0\r\n1.00000000\r\n");
    ~GameProcess(); // stops a running game and removes the folder
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    bool ready() const { return !folder_.empty(); } // program and levels copied
    const std::string& folder() const { return folder_; }
    bool start();
    pid_t pid() const { return pid_; }
    bool running() const;
    double cpuSeconds() const; // user + system time of the process so far
    long peakRssKiB() const;   // VmHWM
    long rssKiB() const;       // VmRSS
    int stop();                // SIGTERM, waits; the exit status, or -1

  private:
    std::string folder_;
    pid_t pid_ = -1;
};

// The floor program (gloam_floor beside the benchmark): one 320 x 240
// picture enlarged to the window 60 times a second, the least any game on
// this platform can cost. Every figure of the game is given against it.
class FloorProcess {
  public:
    FloorProcess() = default;
    ~FloorProcess(); // stops it
    FloorProcess(const FloorProcess&) = delete;
    FloorProcess& operator=(const FloorProcess&) = delete;

    struct Report {
        int late = 0;       // frames later than 20 ms
        int counted = 0;    // of these frames (600 unless stopped early)
        double worstMs = 0; // the longest frame
        double cpuMs = 0;   // CPU time per frame
        int lateWoken = 0;  // late frames after a sleep that ended over 2 ms late
        int lateSwap = 0;   // else with a swap over 2 ms
    };
    bool start(int width, int height, bool fullScreen);
    pid_t pid() const { return pid_; }
    bool running() const;
    // Waits (at most timeoutS, then SIGTERM) for it to end and reads its
    // report of the 600 frames after the first 60. False when it ended badly.
    bool finish(double timeoutS, Report* report);

  private:
    std::string log_;
    pid_t pid_ = -1;
};

// A thread that does nothing but sleep to a 60 Hz schedule, run beside a
// stretch of frames being measured. Its wake-ups that come more than 3 ms
// after the time it asked for are what the machine does, at that moment, to
// any program that sleeps between frames: such a frame is later than 20 ms
// whatever it draws.
class WakeProbe {
  public:
    WakeProbe() = default;
    ~WakeProbe(); // stops it
    WakeProbe(const WakeProbe&) = delete;
    WakeProbe& operator=(const WakeProbe&) = delete;

    void start();
    int stop();                            // the wake-ups more than 3 ms late since start
    int sleeps() const { return sleeps_; } // after stop: how many it made

  private:
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    int late_ = 0, sleeps_ = 0;
};

// The rows a start-up is watched through, read about every millisecond: a
// thin band, so the reading costs the X server and the probe little beside
// the program being timed. There the title picture differs from the loading
// picture in about half its pixels.
constexpr int PROBE_TOP = 88, PROBE_ROWS = 8;

// The floor's picture: red = x, green = y, blue = 128, as RGB rows of the
// probe band at scale 1.
std::vector<uint8_t> floorBandReference();

class XProbe {
  public:
    XProbe() = default;
    ~XProbe();
    XProbe(const XProbe&) = delete;
    XProbe& operator=(const XProbe&) = delete;

    bool open();          // false without DISPLAY or Xlib
    unsigned long root(); // the root window: the display's size
    // The first viewable top-level window with that exact name, or 0.
    unsigned long findWindow(const std::string& name);
    // A window's size; false when it has gone.
    bool size(unsigned long window, int* width, int* height);
    // The region as RGB bytes, top row first; false when it cannot be read.
    bool grab(unsigned long window, int x, int y, int width, int height, std::vector<uint8_t>* rgb);
    // Sends key presses to the focused window (needs xdotool).
    static bool key(unsigned long window, const std::string& keys);

  private:
    void* library_ = nullptr;
    void* display_ = nullptr;
};

// The probe band of an embedded 320-wide picture as RGB rows, the way a
// 320 x 240 window shows it; empty when it cannot be loaded.
std::vector<uint8_t> pictureBand(const char* url);
// The band of the title picture (above the scroller): what the title screen presents.
std::vector<uint8_t> titleBandReference();
// Polls until the game's window shows the title; false after timeoutS or
// when the game ends. The window id is left in *window.
bool waitForTitle(GameProcess& game, XProbe& x, double timeoutS, unsigned long* window);

// The game window once it is width x height (S and W make a new one); 0
// after a minute or when the game ends.
unsigned long windowOfSize(GameProcess& game, XProbe& x, int width, int height);

// The share (0..1) of a region's pixels whose colour differs from the
// reference by more than 12 in any channel.
double rgbMismatch(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);
