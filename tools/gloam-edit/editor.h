// editor.h - gloam-edit, the level editor: its window, what it shows and
// what the designer is doing. The level itself lives in a LevelDocument
// (level_document.h); everything drawn of it comes from the game's own
// loader and passes, run on a copy of the level in a scratch folder.
//
//   Editor editor;
//   openEditor(editor, "levels", &error);   // a file or a levels folder
//   while (editorFrame(editor)) {}          // one frame: input, work, drawing
//
// The window: the level at scale 2 in the top-left 640 x 480, the tools to
// the right, the problems and the status line below.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "background.h"
#include "level_document.h"
#include "level_scratch.h"
#include "shell/game.h"

constexpr int EDITOR_WIDTH = 1024;
constexpr int EDITOR_HEIGHT = 768;
constexpr int VIEW_SCALE = 2; // logical (x, y) shows at window (2x, 2y)
constexpr int VIEW_WIDTH = 320 * VIEW_SCALE;
constexpr int VIEW_HEIGHT = 240 * VIEW_SCALE;
constexpr int PANEL_LEFT = VIEW_WIDTH + 12;
constexpr int PROBLEMS_TOP = VIEW_HEIGHT + 8;
constexpr int STATUS_TOP = EDITOR_HEIGHT - 20;
constexpr int64_t DISCARD_WINDOW_MS = 3000; // a second Esc within this discards

// The fields of the panel that take typed text.
enum class Field { None, Title, Item, Spikes, Backdrop };

// What a press of the left button in the view started.
enum class Drag { None, Paint, Erase, MoveRecord, BoundsTopLeft, BoundsBottomRight };

struct Editor {
    // ---- The levels --------------------------------------------------------------
    LevelFolder folder; // a folder opened, or one file (then `single`)
    LevelDocument single;
    bool folderMode = false;
    LevelDocument& doc() { return folderMode ? folder.document() : single; }

    // ---- The game it is made of ---------------------------------------------------
    Game game;                                   // assets, shell, and the world being shown
    GameState loaded;                            // the level as loaded, before its first tick
    std::unique_ptr<ScratchLevelFolder> scratch; // the shown text, where the loader reads it
    int shownRevision = -1;
    const LevelDocument* shownDocument = nullptr;
    std::string loadError; // why the loader refused the level ("" when it loaded)

    // ---- Tools ---------------------------------------------------------------------
    char tile = '#';
    std::string placeKind; // a baddie kind to place with the next click; "" paints
    int kindChoice = 0;    // the kind the panel offers
    bool grid = true;
    bool animate = false;
    Field focus = Field::None;
    std::string fieldText; // the focused field's text while typing
    Drag drag = Drag::None;
    LevelCell lastCell;
    int dragRecord = -1;
    int grabColumn = 0, grabRow = 0; // where in a dragged record the pointer holds it, in cells
    int controlFrames = 0, shiftFrames = 0; // frames a modifier still counts

    // ---- Problems --------------------------------------------------------------------
    std::vector<LevelProblem> problems; // the quick check and the traps found
    int problemsRevision = -1;
    const LevelDocument* problemsDocument = nullptr;
    std::vector<LevelProblem> traps;
    int trapsRevision = -1;
    BackgroundJob trapJob;
    int trapJobRevision = -1;
    const LevelDocument* trapJobDocument = nullptr;
    std::unique_ptr<ScratchLevelFolder> trapScratch; // the copy the trap search reads
    int64_t changedAt = 0;
    int marked = -1; // problem clicked in the list

    // ---- Prove (F6) and play-test (F5) ---------------------------------------------
    BackgroundJob proveJob;
    std::unique_ptr<ScratchLevelFolder> proveScratch; // the copy the solver plays
    int proveRevision = -1;
    const LevelDocument* proveDocument = nullptr;
    int64_t proveStarted = 0;
    ProveResult proof;      // the last proof of the level shown
    int proofRevision = -1; // the revision the proof belongs to
    const LevelDocument* proofDocument = nullptr;
    std::string playResult;

    // ---- Status ------------------------------------------------------------------------
    std::string status;
    int64_t escapeAt = -DISCARD_WINDOW_MS; // time of an Esc that warned
    bool quit = false;
    int exitStatus = 0;
};

// ---- edit_main.cpp --------------------------------------------------------------------
// FILE, DIR or nothing (the levels folder beside the program); false with a message.
bool openEditor(Editor& editor, const std::string& target, std::string* error);
bool editorFrame(Editor& editor); // false once the editor should end

// ---- edit_view.cpp --------------------------------------------------------------------
void refreshView(Editor& editor);   // reloads the shown level when its text changed
void drawView(Editor& editor);      // the level into the canvas, as on its first tick
void drawViewMarks(Editor& editor); // grid, selection, problems, route: window pixels
// Window pixel -> logical pixel of the view; false outside the view.
bool viewPixel(int windowX, int windowY, int* x, int* y);
void baddieSize(const Editor& editor, const std::string& kind, int* width, int* height);

// ---- edit_panels.cpp -------------------------------------------------------------------
void drawPanels(Editor& editor);
// A left click at window (x, y) outside the view; true when a panel took it.
bool clickPanels(Editor& editor, int x, int y, int button);
const std::vector<std::string>& baddieKinds();
std::string headerText(Editor& editor, Field field);

// ---- edit_actions.cpp ------------------------------------------------------------------
void handleInput(Editor& editor);
void setStatus(Editor& editor, const std::string& text);
void saveLevels(Editor& editor);
void commitField(Editor& editor);

// ---- edit_play.cpp ------------------------------------------------------------------------
// F5: the level in the real play loop until Esc, the exit or a lost life;
// with a route, its keys are pressed instead of the player's (the proof
// watched in real time). Returns the one-line result.
std::string playTest(Editor& editor, const std::vector<ReplayStep>* route = nullptr);
bool proofIsCurrent(Editor& editor);
void startProve(Editor& editor);
void pollBackground(Editor& editor); // progress and results of the helpers
