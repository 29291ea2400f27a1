// edit_background.cpp - the editor's headless copies: starting, reading and
// stopping them, and what they print.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "background.h"
#include "engine/io/convert.h"
#include "solve.h"

namespace {

// "col,row;col,row;..." both ways.
std::string cellsText(const std::vector<LevelCell>& cells) {
    std::string text;
    for (const LevelCell& c : cells) {
        if (!text.empty()) text += ';';
        text += std::to_string(c.column) + "," + std::to_string(c.row);
    }
    return text;
}

std::vector<LevelCell> parseCells(const std::string& text) {
    std::vector<LevelCell> cells;
    std::stringstream in(text);
    std::string pair;
    while (std::getline(in, pair, ';')) {
        LevelCell c;
        if (std::sscanf(pair.c_str(), "%d,%d", &c.column, &c.row) == 2) cells.push_back(c);
    }
    return cells;
}

int trapsMain(const std::string& path, const std::string& name) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::printf("error cannot read %s\n", path.c_str());
        return 1;
    }
    std::stringstream bytes;
    bytes << file.rdbuf();
    for (const LevelProblem& p : checkLevelText(name, bytes.str(), true)) {
        if (p.cells.empty()) continue;
        // Tabs keep the message whole whatever it says.
        std::printf("trap\t%d\t%d\t%s\t%s\n", p.line, p.error ? 1 : 0, cellsText(p.cells).c_str(),
                    p.message.c_str());
    }
    std::fflush(stdout);
    return 0;
}

const char* outcomeName(SolveOutcome outcome) {
    switch (outcome) {
    case SolveOutcome::Solved:
        return "solved";
    case SolveOutcome::Unsolvable:
        return "unsolvable";
    case SolveOutcome::NotFound:
        return "notfound";
    case SolveOutcome::Failed:
        break;
    }
    return "failed";
}

int proveMain(const std::string& directory) {
    Headless session;
    SolveOptions options;
    options.directory = directory;
    options.level = 1;
    options.progress = [](uint64_t ticks) {
        std::printf("progress %llu\n", static_cast<unsigned long long>(ticks));
        std::fflush(stdout);
    };
    const SolveReport report = solveLevel(session, options);
    std::printf("outcome %s\nticks %d\nair %d\nstates %zu\nseconds %.1f\nshortest %d\n",
                outcomeName(report.outcome), report.ticks, report.airLeft, report.states,
                report.seconds, report.shortest ? 1 : 0);
    std::string message = report.message;
    for (char& c : message)
        if (c == '\n') c = ' ';
    std::printf("message %s\n", message.c_str());
    if (report.outcome == SolveOutcome::Solved) {
        // The path the route takes, tick by tick, from a fresh game.
        std::string error;
        if (session.begin(directory, 1, &error)) {
            for (const ReplayStep& run : report.route) {
                ReplayStep keys = run;
                keys.ticks = 1;
                for (int i = 0; i < run.ticks; ++i) {
                    if (!session.tick(keys, &error)) break;
                    std::printf("path %d %d\n", session.world().player.x, session.world().player.y);
                }
            }
        }
        std::printf("route\n%s", formatRoute(report.route).c_str());
    }
    std::fflush(stdout);
    return 0;
}

} // namespace

bool startJob(BackgroundJob& job, const std::vector<std::string>& args, const std::string& scratch,
              std::string* error) {
    cancelJob(job);
    job.output.clear();
    job.status = -1;
    std::vector<std::string> words = {"/proc/self/exe"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    // No window, no sound device: the copy only plays the rules. The
    // environment is made before fork, where a process with threads may
    // only make async-signal-safe calls.
    std::vector<std::string> variables;
    for (char** e = environ; *e; ++e) {
        const std::string v = *e;
        if (v.rfind("DISPLAY=", 0) != 0 && v.rfind("SDL_AUDIODRIVER=", 0) != 0 &&
            v.rfind("TMPDIR=", 0) != 0)
            variables.push_back(v);
    }
    variables.push_back("SDL_AUDIODRIVER=dummy");
    variables.push_back("TMPDIR=" + scratch);
    std::vector<char*> environment;
    for (std::string& v : variables)
        environment.push_back(v.data());
    environment.push_back(nullptr);
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        *error = std::string("cannot start the helper: ") + std::strerror(errno);
        return false;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        *error = std::string("cannot start the helper: ") + std::strerror(errno);
        return false;
    }
    if (pid == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        execve(argv[0], argv.data(), environment.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
    job.pid = pid;
    job.fd = pipeEnds[0];
    return true;
}

bool pollJob(BackgroundJob& job) {
    if (job.fd < 0) return !job.running();
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(job.fd, buffer, sizeof buffer);
        if (n > 0) {
            job.output.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return false;
        break; // the end: the copy has closed its output
    }
    close(job.fd);
    job.fd = -1;
    int status = 0;
    waitpid(job.pid, &status, 0);
    job.pid = -1;
    job.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

void cancelJob(BackgroundJob& job) {
    if (job.pid > 0) {
        kill(job.pid, SIGKILL);
        waitpid(job.pid, nullptr, 0);
    }
    if (job.fd >= 0) close(job.fd);
    job.pid = -1;
    job.fd = -1;
}

ProveResult parseProve(const std::string& output) {
    ProveResult r;
    std::stringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        const size_t space = line.find(' ');
        const std::string key = line.substr(0, space);
        const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
        if (key == "outcome") r.outcome = value, r.done = true;
        if (key == "ticks") r.ticks = stringToInt(value);
        if (key == "air") r.air = stringToInt(value);
        if (key == "states")
            r.states = static_cast<size_t>(std::strtoull(value.c_str(), nullptr, 10));
        if (key == "seconds") r.seconds = std::strtod(value.c_str(), nullptr);
        if (key == "shortest") r.shortest = value == "1";
        if (key == "message") r.message = value;
        if (key == "path") {
            Location place;
            if (std::sscanf(value.c_str(), "%d %d", &place.x, &place.y) == 2)
                r.path.push_back(place);
        }
        if (key == "route") {
            const std::string rest = in.str().substr(static_cast<size_t>(in.tellg()));
            std::string error;
            if (!parseReplay(rest, &r.route, &error)) r.route.clear();
            break;
        }
    }
    return r;
}

uint64_t proveProgress(const std::string& output) {
    // Only whole lines count: the last one may still be arriving.
    const size_t end = output.rfind('\n');
    if (end == std::string::npos) return 0;
    const size_t at = output.rfind("progress ", end);
    if (at == std::string::npos || (at > 0 && output[at - 1] != '\n')) return 0;
    return std::strtoull(output.c_str() + at + 9, nullptr, 10);
}

std::vector<LevelProblem> parseTraps(const std::string& output) {
    std::vector<LevelProblem> problems;
    std::stringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        std::stringstream fields(line);
        std::string tag, number, error, cells, message;
        if (!std::getline(fields, tag, '\t') || tag != "trap") continue;
        std::getline(fields, number, '\t');
        std::getline(fields, error, '\t');
        std::getline(fields, cells, '\t');
        std::getline(fields, message);
        LevelProblem p;
        p.line = stringToInt(number);
        p.error = error == "1";
        p.cells = parseCells(cells);
        p.message = message;
        if (!p.cells.empty()) p.cell = p.cells.front();
        problems.push_back(p);
    }
    return problems;
}

int backgroundMain(const std::vector<std::string>& args) {
    if (args.size() == 3 && args[0] == "--traps") return trapsMain(args[1], args[2]);
    if (args.size() == 2 && args[0] == "--prove") return proveMain(args[1]);
    std::fprintf(stderr, "gloam-edit: unknown helper request\n");
    return 2;
}
