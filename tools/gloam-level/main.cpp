// gloam-level - checks level files and plays replay scripts on them without a
// window.
//
//   gloam-level check [--no-traps] [DIR]
//   gloam-level replay [--levels DIR] [--level N] [--trace] INPUT
//   gloam-level solve [--levels DIR] --level N [--max-ticks T] [--states S]
//                     [--beam B] [--branch K] [--out FILE]
//
// DIR defaults to the levels folder beside the program, as in the game.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "level_check.h"
#include "shell/replay.h"
#include "solve.h"

namespace {

const char* const USAGE =
    "usage: gloam-level check [--no-traps] [DIR]\n"
    "       gloam-level replay [--levels DIR] [--level N] [--trace] INPUT\n"
    "       gloam-level solve [--levels DIR] --level N [--max-ticks T]\n"
    "                         [--states S] [--beam B] [--branch K] [--out FILE]\n";

int usage() {
    std::fputs(USAGE, stderr);
    return 2;
}

std::string defaultLevelDirectory(const char* argv0) {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string program = n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string(argv0);
    const size_t slash = program.rfind('/');
    return (slash == std::string::npos ? std::string(".") : program.substr(0, slash)) + "/levels";
}

int runCheck(const std::string& directory, bool traps) {
    int levels = 0;
    const std::vector<LevelProblem> problems = checkLevelSet(directory, &levels, traps);
    bool errors = false;
    for (const LevelProblem& p : problems) {
        std::printf("%s:%d: %s: %s\n", p.file.c_str(), p.line, p.error ? "error" : "warning",
                    p.message.c_str());
        errors = errors || p.error;
    }
    if (problems.empty()) std::printf("%d levels ok\n", levels);
    return errors ? 1 : 0;
}

bool parseLevelNumber(const std::string& text, int* level) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 1 || value > INT_MAX) return false;
    *level = static_cast<int>(value);
    return true;
}

// The whole file; an empty one is a script of no ticks, a folder or a read
// error is no script.
bool readScript(const std::string& path, std::string* text) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text->append(buffer, n);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

int runReplayCommand(const std::string& directory, int level, bool trace,
                     const std::string& input) {
    std::string script;
    if (!readScript(input, &script)) {
        std::fprintf(stderr, "gloam-level: cannot read %s\n", input.c_str());
        return 1;
    }
    std::vector<ReplayStep> steps;
    std::string error;
    if (!parseReplay(script, &steps, &error)) {
        std::fprintf(stderr, "gloam-level: %s: %s\n", input.c_str(), error.c_str());
        return 1;
    }
    Headless session;
    if (!session.begin(directory, level, &error)) {
        std::fprintf(stderr, "gloam-level: %s\n", error.c_str());
        return 1;
    }
    const int count = session.world().levelCount;
    if (level > count) {
        std::fprintf(stderr, "gloam-level: there is no level %d in %s (%d levels)\n", level,
                     directory.c_str(), count);
        return 1;
    }
    std::function<void(const Headless&)> onTick;
    if (trace) onTick = [](const Headless& s) { std::printf("%s\n", traceLine(s).c_str()); };
    if (!runReplay(session, steps, onTick, &error)) {
        std::fprintf(stderr, "gloam-level: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", resultLine(session.result()).c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return usage();
    const std::string command = args[0];
    std::string directory = defaultLevelDirectory(argv[0]);

    if (command == "check") {
        // --no-traps skips playing the levels: the quick check of the text.
        const bool traps = args.size() < 2 || args[1] != "--no-traps";
        const size_t rest = traps ? 1 : 2;
        if (args.size() > rest + 1) return usage();
        if (args.size() == rest + 1) directory = args[rest];
        return runCheck(directory, traps);
    }
    if (command == "replay") {
        int level = 1;
        bool trace = false;
        std::string input;
        for (size_t i = 1; i < args.size(); ++i) {
            const std::string& a = args[i];
            if (a == "--trace") {
                trace = true;
            } else if (a == "--levels" && i + 1 < args.size()) {
                directory = args[++i];
            } else if (a == "--level" && i + 1 < args.size()) {
                if (!parseLevelNumber(args[++i], &level)) return usage();
            } else if (input.empty() && !a.starts_with("--")) {
                input = a;
            } else {
                return usage();
            }
        }
        if (input.empty()) return usage();
        return runReplayCommand(directory, level, trace, input);
    }
    if (command == "solve") return solveCommand({args.begin() + 1, args.end()}, directory);
    return usage();
}
