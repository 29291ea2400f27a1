// edit_play.cpp - the level played in the editor's view: the play-test in
// the real play loop, the proved route watched in real time, and the solver
// and the trap search running in headless copies of the editor.
#include "editor.h"
#include "engine/audio/audio.h"
#include "engine/display/graphics.h"
#include "engine/input/input.h"
#include "engine/render/render.h"
#include "shell/play_loop.h"
#include "world/level_loader.h"

namespace {

constexpr int64_t TRAP_SEARCH_DELAY_MS = 500; // after the last change, so a drag starts none

// The panels around the play, with the play's own status line.
void drawPlayPanels(Editor& e, const std::string& line) {
    if (!beginWindowDrawing()) return;
    clearScreen();
    e.status = line;
    drawPanels(e);
    endWindowDrawing();
}

void pressKeys(const ReplayStep& keys, ReplayStep& held) {
    if (keys.left != held.left) inputKeyEvent(KEY_LEFT, keys.left, false);
    if (keys.right != held.right) inputKeyEvent(KEY_RIGHT, keys.right, false);
    if (keys.jump != held.jump) inputKeyEvent(KEY_SPACE, keys.jump, false);
    held = keys;
}

std::string proofLine(const ProveResult& p) {
    const std::string effort = std::to_string(p.states) + " states in " +
                               std::to_string(static_cast<int>(p.seconds)) + " s";
    if (p.outcome == "solved")
        return "Route found: " + std::to_string(p.ticks) + " ticks, " + std::to_string(p.air) +
               " air left" + (p.shortest ? " (shortest)" : "") + ", " + effort + ". F7 plays it.";
    if (p.outcome == "unsolvable") return "No route: the level cannot be won (" + effort + ")";
    if (p.outcome == "notfound") return "No route within the solver's limits (" + effort + ")";
    return "Prove failed: " + p.message;
}

} // namespace

bool proofIsCurrent(Editor& e) {
    return e.proofDocument == &e.doc() && e.proofRevision == e.doc().revision() && e.proof.done;
}

std::string playTest(Editor& e, const std::vector<ReplayStep>* route) {
    refreshView(e);
    if (!e.scratch || !e.scratch->ok() || !e.loadError.empty()) {
        return "Cannot play this level: " + e.loadError;
    }
    Game& game = e.game;
    GameState& g = game.world;
    g = GameState{};
    g.levelDirectory = e.scratch->directory();
    g.levelCount = 1;
    g.startLevel = 1;
    g.airMax = AIR_MAX;
    g.tileSize = TILE_SIZE;
    audioOpen();
    newGame(game);
    g.slideInPending = 0; // the level appears in place, as the editor showed it
    std::string error;
    if (!loadLevel(g, game.assets, &error)) return "Cannot play this level: " + error;
    g.messageList.clear();
    game.shell.closeEndsPlayOnly = 1;

    const int lives = g.player.lives;
    std::string result;
    ReplayStep held{};
    size_t run = 0;
    int runTick = 0;
    const std::string what = route ? "Watching the route" : "Play-testing";
    for (int tick = 1;; ++tick) {
        if (keyHit(KEY_ESCAPE)) {
            result = what + " stopped at tick " + std::to_string(tick - 1);
            break;
        }
        // The editor's window keeps its size, and there is no pause to leave.
        keyHit(KEY_S);
        keyHit(KEY_W);
        keyHit(KEY_H);
        padHit(PAD_START, 0);
        if (route) {
            while (run < route->size() && runTick >= (*route)[run].ticks) {
                ++run;
                runTick = 0;
            }
            pressKeys(run < route->size() ? (*route)[run] : ReplayStep{}, held);
            ++runTick;
        }
        drawPlayPanels(e, what + ": tick " + std::to_string(tick) + ", air " +
                              std::to_string(g.air) + ". Esc returns to the editor.");
        if (!playTick(game, &error)) {
            result = "The level failed: " + error;
            break;
        }
        if (g.player.level != 1) {
            result = "Completed in " + std::to_string(tick) + " ticks with " +
                     std::to_string(g.air) + " air left";
            break;
        }
        if (g.player.lives < lives) {
            result = "Lost a life at tick " + std::to_string(tick) + " at " +
                     std::to_string(g.player.x) + ", " + std::to_string(g.player.y);
            break;
        }
        if (g.quitToTitle) {
            result = what + " stopped at tick " + std::to_string(tick);
            break;
        }
        if (route && run >= route->size()) {
            result =
                "The route ended at tick " + std::to_string(tick) + " without reaching the exit";
            break;
        }
    }
    stopChannel(game.shell.musicChannel);
    audioClose();
    game.shell.closeEndsPlayOnly = 0;
    flushKeys();
    e.shownRevision = -1; // the view starts again from the file
    refreshView(e);
    return result;
}

void startProve(Editor& e) {
    refreshView(e);
    cancelJob(e.proveJob);
    e.proveScratch = std::make_unique<ScratchLevelFolder>(e.doc().bytes());
    std::string error;
    if (!e.proveScratch->ok()) {
        setStatus(e, "Cannot prove: the level cannot be written to a scratch folder");
        return;
    }
    if (!startJob(e.proveJob, {"--prove", e.proveScratch->directory()}, e.proveScratch->directory(),
                  &error)) {
        setStatus(e, "Cannot prove: " + error);
        return;
    }
    e.proveRevision = e.doc().revision();
    e.proveDocument = &e.doc();
    e.proveStarted = millisecs();
    setStatus(e, "Proving...");
}

void pollBackground(Editor& e) {
    if (e.proveJob.running()) {
        if (pollJob(e.proveJob)) {
            e.proof = parseProve(e.proveJob.output);
            if (!e.proof.done) e.proof.message = "the solver ended without an answer";
            e.proof.done = true;
            e.proofRevision = e.proveRevision;
            e.proofDocument = e.proveDocument;
            setStatus(e, proofLine(e.proof));
        } else {
            const int64_t seconds = (millisecs() - e.proveStarted) / 1000;
            const uint64_t ticks = proveProgress(e.proveJob.output);
            e.status = "Proving: " + std::to_string(ticks) + " states tried, " +
                       std::to_string(seconds) + " s. Esc cancels.";
        }
    }

    LevelDocument& doc = e.doc();
    if (e.trapJob.running()) {
        const bool stale = e.trapJobDocument != &doc || e.trapJobRevision != doc.revision();
        if (stale) {
            cancelJob(e.trapJob);
        } else if (pollJob(e.trapJob)) {
            e.traps = parseTraps(e.trapJob.output);
            for (LevelProblem& t : e.traps)
                t.file = doc.path();
            e.trapsRevision = doc.revision();
            e.problemsRevision = -1; // the list takes them in
        }
        return;
    }
    const bool current = e.trapsRevision == doc.revision() && e.trapJobDocument == &doc;
    if (current || millisecs() - e.changedAt < TRAP_SEARCH_DELAY_MS) return;
    if (e.trapJobDocument == &doc && e.trapJobRevision == doc.revision()) return; // it failed
    e.trapScratch = std::make_unique<ScratchLevelFolder>(doc.bytes());
    e.trapJobDocument = &doc;
    e.trapJobRevision = doc.revision();
    std::string error;
    if (e.trapScratch->ok())
        startJob(e.trapJob, {"--traps", e.trapScratch->directory() + "/level1.txt", doc.path()},
                 e.trapScratch->directory(), &error);
}
