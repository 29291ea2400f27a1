// edit_main.cpp - gloam-edit: opens a level file or a levels folder in a
// window of its own and runs one editor frame per display frame.
//
//   gloam-edit                 the levels folder beside the program
//   gloam-edit levels          a levels folder (Page Up / Page Down, Ctrl+N)
//   gloam-edit level7.txt      one level file
//
// Ends with status 0 after Esc (a second Esc within 3 seconds when changes
// are unsaved), 1 when nothing can be opened, 2 on a wrong command line.
#include <unistd.h>

#include <cstdio>

#include "editor.h"
#include "engine/audio/audio.h"
#include "engine/display/graphics.h"
#include "engine/io/stream.h"
#include "engine/render/render.h"
#include "engine/resources/resource_store.h"
#include "shell/flow.h"
#include "shell/write_folder.h"

namespace {

void updateProblems(Editor& e) {
    LevelDocument& doc = e.doc();
    if (e.problemsDocument == &doc && e.problemsRevision == doc.revision()) return;
    e.problemsDocument = &doc;
    e.problemsRevision = doc.revision();
    e.problems = doc.quickDiagnostics();
    const bool trapsCurrent = e.trapJobDocument == &doc && e.trapsRevision == doc.revision();
    if (!trapsCurrent) e.traps.clear();
    e.problems.insert(e.problems.end(), e.traps.begin(), e.traps.end());
}

std::string programFolder() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? programDirectory(std::string(buffer, static_cast<size_t>(n))) : ".";
}

} // namespace

bool openEditor(Editor& e, const std::string& target, std::string* error) {
    e.folderMode = fileType(target) == 2;
    const bool opened = e.folderMode ? e.folder.open(target, error) : e.single.open(target, error);
    if (!opened) return false;
    setStatus(e, "Opened " + target + ". Type a tile code, paint with the left button.");
    return true;
}

bool editorFrame(Editor& e) {
    handleInput(e);
    if (e.quit) return false;
    refreshView(e);
    pollBackground(e);
    updateProblems(e);
    drawView(e);
    if (beginWindowDrawing()) {
        clearScreen();
        showCanvas();
        drawViewMarks(e);
        drawPanels(e);
        endWindowDrawing();
    }
    flipFrame(-1);
    return true;
}

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0].rfind("--", 0) == 0) return backgroundMain(args);
    if (args.size() > 1) {
        std::fprintf(stderr, "usage: gloam-edit [FILE | DIR]\n");
        return 2;
    }
    const std::string target = args.empty() ? programFolder() + "/levels" : args[0];
    installTerminateHandler();
    registerEmbeddedResources();

    static Editor editor; // lives to the end, like the game's own state
    beginLoadingAssets(editor.game.assets);
    std::string error;
    if (!openEditor(editor, target, &error)) {
        std::fprintf(stderr, "gloam-edit: %s\n", error.c_str());
        return 1;
    }
    setGraphicsDefaultFlags(BACK_BUFFER);
    setWindowTitle("Gloam Didaruv level editor");
    // The game's own display: a 320 x 240 canvas, here shown at twice its
    // size in the window's corner with the tools around it.
    Screen::openDisplay(320, 240, EDITOR_WIDTH, EDITOR_HEIGHT, 0, 60);
    setCanvasPlacement(0, 0, VIEW_WIDTH, VIEW_HEIGHT);
    loadAssets(editor.game.assets);
    editor.game.shell.writeFolder = chooseWriteFolder();

    while (editorFrame(editor)) {}
    cancelJob(editor.proveJob);
    cancelJob(editor.trapJob);
    closeGraphics();
    return editor.exitStatus;
}
