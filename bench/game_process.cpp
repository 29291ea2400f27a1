// game_process.cpp - the real game as a child process, and Xlib loaded at run
// time to find and read its window.
#include "game_process.h"

#include "engine/pixels/pixel_buffer.h"
#include "engine/resources/image.h"
#include "engine/resources/resource_store.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

std::string benchProgramFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : self.parent_path().string();
}

double benchNow() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// ---- the game process ---------------------------------------------------------------------

std::string benchGameProgram() {
    const char* other = std::getenv("GLOAM_BENCH_GAME");
    if (other && *other) return other;
    return (fs::path(benchProgramFolder()) / "gloam").string();
}

GameProcess::GameProcess(const std::string& settingsText) {
    const fs::path build = benchProgramFolder();
    char pattern[] = "/tmp/gloam_bench.XXXXXX";
    if (!mkdtemp(pattern)) return;
    const fs::path folder = pattern;
    std::error_code error;
    fs::copy_file(benchGameProgram(), folder / "gloam", error);
    if (!error) fs::copy(build / "levels", folder / "levels", fs::copy_options::recursive, error);
    if (!error) {
        std::ofstream settings(folder / "gloam.cfg", std::ios::binary);
        settings << settingsText;
        if (!settings) error = std::make_error_code(std::errc::io_error);
    }
    if (error) {
        fs::remove_all(folder, error);
        return;
    }
    folder_ = folder.string();
}

GameProcess::~GameProcess() {
    if (running()) stop();
    if (!folder_.empty()) {
        std::error_code error;
        fs::remove_all(folder_, error);
    }
}

namespace {

// Whether a child started by this process has not ended yet.
bool childRunning(pid_t pid) {
    if (pid <= 0) return false;
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == 0;
}

} // namespace

bool GameProcess::start() {
    if (folder_.empty() || pid_ > 0) return false;
    const std::string program = folder_ + "/gloam";
    const std::string log = folder_ + "/output.txt";
    // Everything the child needs is made before fork: a process with threads
    // may only make async-signal-safe calls between fork and exec.
    std::vector<std::string> variables;
    for (char** e = environ; *e; ++e)
        if (std::string(*e).rfind("SDL_AUDIODRIVER=", 0) != 0) variables.emplace_back(*e);
    variables.emplace_back("SDL_AUDIODRIVER=dummy"); // no sound card needed, none opened
    std::vector<char*> environment;
    for (std::string& v : variables)
        environment.push_back(v.data());
    environment.push_back(nullptr);
    char* const arguments[] = {const_cast<char*>(program.c_str()), nullptr};

    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        prctl(PR_SET_PDEATHSIG, SIGTERM); // never outlives the benchmark
        if (chdir("/") != 0) _exit(127);
        execve(program.c_str(), arguments, environment.data());
        _exit(127);
    }
    pid_ = child;
    return true;
}

bool GameProcess::running() const {
    return childRunning(pid_);
}

double processCpuSeconds(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    // After the name: state is field 3, utime 14 and stime 15.
    for (int n = 3; n <= 15 && fields >> field; ++n)
        if (n >= 14) ticks += std::strtod(field.c_str(), nullptr);
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double GameProcess::cpuSeconds() const {
    return processCpuSeconds(pid_);
}

pid_t displayServerPid() {
    const char* display = std::getenv("DISPLAY");
    if (!display || display[0] != ':') return -1;
    std::string number = display;
    number = number.substr(0, number.find('.')); // ":99.0" -> ":99"
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream file(entry.path() / "cmdline", std::ios::binary);
        std::vector<std::string> arguments;
        for (std::string a; std::getline(file, a, '\0');)
            arguments.push_back(a);
        if (arguments.empty()) continue;
        const std::string program = fs::path(arguments[0]).filename().string();
        if (program != "Xvfb" && program != "Xorg") continue;
        for (const std::string& a : arguments)
            if (a == number) return static_cast<pid_t>(std::stol(name));
    }
    return -1;
}

long statusKiB(pid_t pid, const std::string& key) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(file, line))
        if (line.rfind(key + ":", 0) == 0)
            return std::strtol(line.c_str() + key.size() + 1, nullptr, 10);
    return -1;
}

long GameProcess::peakRssKiB() const {
    return statusKiB(pid_, "VmHWM");
}
long GameProcess::rssKiB() const {
    return statusKiB(pid_, "VmRSS");
}

int GameProcess::stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 600 && (done = waitpid(pid_, &status, WNOHANG)) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (done == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        status = -1;
    }
    pid_ = -1;
    if (status == -1 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// ---- the floor program ------------------------------------------------------------------------

FloorProcess::~FloorProcess() {
    Report report;
    if (pid_ > 0) finish(0, &report);
}

bool FloorProcess::start(int width, int height, bool fullScreen) {
    if (pid_ > 0) return false;
    const std::string program = benchProgramFolder() + "/gloam_floor";
    char pattern[] = "/tmp/gloam_floor.XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0) return false;
    log_ = pattern;
    const std::string w = std::to_string(width), h = std::to_string(height);
    const std::string full = fullScreen ? "1" : "0";
    char* const arguments[] = {const_cast<char*>(program.c_str()), const_cast<char*>(w.c_str()),
                               const_cast<char*>(h.c_str()), const_cast<char*>(full.c_str()),
                               nullptr};
    const pid_t child = fork();
    if (child < 0) {
        ::close(fd);
        return false;
    }
    if (child == 0) {
        dup2(fd, 1);
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        execv(program.c_str(), arguments);
        _exit(127);
    }
    ::close(fd);
    pid_ = child;
    return true;
}

bool FloorProcess::running() const {
    return childRunning(pid_);
}

bool FloorProcess::finish(double timeoutS, Report* report) {
    if (pid_ <= 0) return false;
    const double start = benchNow();
    while (running() && benchNow() - start < timeoutS)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    kill(pid_, SIGTERM); // harmless when it has ended by itself
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    std::ifstream file(log_);
    std::string word;
    file >> word >> report->late >> word >> report->counted >> word >> report->worstMs >> word >>
        report->cpuMs >> word >> report->lateWoken >> word >> report->lateSwap;
    std::remove(log_.c_str());
    return file && WIFEXITED(status) && WEXITSTATUS(status) == 0 && report->counted > 0;
}

WakeProbe::~WakeProbe() {
    stop();
}

void WakeProbe::start() {
    stop();
    stopping_ = false;
    late_ = sleeps_ = 0;
    thread_ = std::thread([this] {
        constexpr int64_t FRAME_NS = 1000000000 / 60, LATE_NS = 3000000;
        const auto nowNs = [] {
            timespec t{};
            clock_gettime(CLOCK_MONOTONIC, &t);
            return int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
        };
        int64_t due = nowNs();
        while (!stopping_) {
            due += FRAME_NS;
            const timespec at{static_cast<time_t>(due / 1000000000),
                              static_cast<long>(due % 1000000000)};
            while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {}
            const int64_t woke = nowNs();
            ++sleeps_;
            if (woke - due > LATE_NS) ++late_;
            if (woke - due > FRAME_NS) due = woke; // a whole frame lost: no burst of catching up
        }
    });
}

int WakeProbe::stop() {
    if (thread_.joinable()) {
        stopping_ = true;
        thread_.join();
    }
    return late_;
}

std::vector<uint8_t> floorBandReference() {
    std::vector<uint8_t> rgb;
    for (int y = PROBE_TOP; y < PROBE_TOP + PROBE_ROWS; ++y) {
        for (int x = 0; x < 320; ++x) {
            rgb.push_back(static_cast<uint8_t>(x & 255));
            rgb.push_back(static_cast<uint8_t>(y & 255));
            rgb.push_back(128);
        }
    }
    return rgb;
}

// ---- Xlib, loaded at run time -----------------------------------------------------------------

namespace {
struct XlibCalls {
    decltype(&XOpenDisplay) openDisplay = nullptr;
    decltype(&XCloseDisplay) closeDisplay = nullptr;
    decltype(&XDefaultRootWindow) rootWindow = nullptr;
    decltype(&XQueryTree) queryTree = nullptr;
    decltype(&XFetchName) fetchName = nullptr;
    decltype(&XFree) free = nullptr;
    decltype(&XGetWindowAttributes) attributes = nullptr;
    decltype(&XGetImage) getImage = nullptr;
    decltype(&XSetErrorHandler) setErrorHandler = nullptr;
};
XlibCalls xlib;

template <typename F> bool bind(void* library, F* call, const char* name) {
    *call = reinterpret_cast<F>(dlsym(library, name));
    return *call != nullptr;
}

int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

int shiftOf(unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}
} // namespace

XProbe::~XProbe() {
    if (display_) xlib.closeDisplay(static_cast<Display*>(display_));
    if (library_) dlclose(library_);
}

bool XProbe::open() {
    if (!std::getenv("DISPLAY")) return false;
    library_ = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!library_) return false;
    const bool bound = bind(library_, &xlib.openDisplay, "XOpenDisplay") &&
                       bind(library_, &xlib.closeDisplay, "XCloseDisplay") &&
                       bind(library_, &xlib.rootWindow, "XDefaultRootWindow") &&
                       bind(library_, &xlib.queryTree, "XQueryTree") &&
                       bind(library_, &xlib.fetchName, "XFetchName") &&
                       bind(library_, &xlib.free, "XFree") &&
                       bind(library_, &xlib.attributes, "XGetWindowAttributes") &&
                       bind(library_, &xlib.getImage, "XGetImage") &&
                       bind(library_, &xlib.setErrorHandler, "XSetErrorHandler");
    if (!bound) return false;
    // A window may vanish between listing it and reading it (the game makes a
    // new one at every S or W); Xlib's own handler would end the program.
    xlib.setErrorHandler(ignoreErrors);
    display_ = xlib.openDisplay(nullptr);
    return display_ != nullptr;
}

unsigned long XProbe::root() {
    Display* d = static_cast<Display*>(display_);
    return d ? xlib.rootWindow(d) : 0;
}

unsigned long XProbe::findWindow(const std::string& name) {
    Display* d = static_cast<Display*>(display_);
    if (!d) return 0;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!xlib.queryTree(d, xlib.rootWindow(d), &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* title = nullptr;
        if (xlib.fetchName(d, children[i], &title) && title) {
            XWindowAttributes a;
            if (name == title && xlib.attributes(d, children[i], &a) && a.map_state == IsViewable)
                found = children[i];
            xlib.free(title);
        }
    }
    if (children) xlib.free(children);
    return found;
}

bool XProbe::size(unsigned long window, int* width, int* height) {
    Display* d = static_cast<Display*>(display_);
    XWindowAttributes a;
    if (!d || !xlib.attributes(d, window, &a)) return false;
    *width = a.width;
    *height = a.height;
    return true;
}

bool XProbe::grab(unsigned long window, int x, int y, int width, int height,
                  std::vector<uint8_t>* rgb) {
    Display* d = static_cast<Display*>(display_);
    if (!d) return false;
    XImage* image = xlib.getImage(d, window, x, y, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) return false;
    const int rs = shiftOf(image->red_mask), gs = shiftOf(image->green_mask),
              bs = shiftOf(image->blue_mask);
    rgb->resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    uint8_t* out = rgb->data();
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const unsigned long p = XGetPixel(image, column, row);
            *out++ = static_cast<uint8_t>((p & image->red_mask) >> rs);
            *out++ = static_cast<uint8_t>((p & image->green_mask) >> gs);
            *out++ = static_cast<uint8_t>((p & image->blue_mask) >> bs);
        }
    }
    XDestroyImage(image);
    return true;
}

bool XProbe::key(unsigned long window, const std::string& keys) {
    const std::string command = "xdotool windowfocus --sync " + std::to_string(window) +
                                " key --delay 80 " + keys + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

double rgbMismatch(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) return 1.0;
    size_t differing = 0;
    for (size_t i = 0; i + 2 < a.size(); i += 3) {
        for (size_t c = 0; c < 3; ++c) {
            if (std::abs(int(a[i + c]) - int(b[i + c])) > 12) {
                ++differing;
                break;
            }
        }
    }
    return static_cast<double>(differing) / static_cast<double>(a.size() / 3);
}

std::vector<uint8_t> pictureBand(const char* url) {
    registerEmbeddedResources();
    const std::optional<PixelBuffer> picture = loadPixelBuffer(url);
    if (!picture || picture->width != 320 || picture->height < PROBE_TOP + PROBE_ROWS) return {};
    const PixelBuffer rgba = convertPixels(*picture, PF_RGBA32);
    std::vector<uint8_t> rgb;
    for (int y = PROBE_TOP; y < PROBE_TOP + PROBE_ROWS; ++y) {
        for (int x = 0; x < 320; ++x) {
            const uint8_t* p = &rgba.bytes[static_cast<size_t>(y * rgba.pitch + x * 4)];
            rgb.insert(rgb.end(), p, p + 3);
        }
    }
    return rgb;
}

std::vector<uint8_t> titleBandReference() {
    return pictureBand("incbin::gfx\\titlescreen.bmp");
}

unsigned long windowOfSize(GameProcess& game, XProbe& x, int width, int height) {
    const double start = benchNow();
    while (benchNow() - start < 60 && game.running()) {
        int w = 0, h = 0;
        const unsigned long window = x.findWindow("Gloam Didaruv");
        if (window && x.size(window, &w, &h) && w == width && h == height) return window;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 0;
}

bool waitForTitle(GameProcess& game, XProbe& x, double timeoutS, unsigned long* window) {
    static const std::vector<uint8_t> reference = titleBandReference();
    const double start = benchNow();
    std::vector<uint8_t> pixels;
    *window = 0;
    while (benchNow() - start < timeoutS && game.running()) {
        if (!*window) *window = x.findWindow("Gloam Didaruv");
        if (*window && x.grab(*window, 0, PROBE_TOP, 320, PROBE_ROWS, &pixels) &&
            rgbMismatch(pixels, reference) < 0.01)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}
