// messages.h - floating word pictures that grow from their centre and fade.
#pragma once

#include "world/assets.h"
#include "world/game_state.h"

constexpr int MSG_TEN_POINTS = 1;
constexpr int MSG_EXIT_OPEN = 2;
constexpr int MSG_OUCH = 3;
constexpr int MSG_BONUS_LIFE = 4;
constexpr int MSG_HURRY = 5;

// Appends a message of the kind, centred at (x, y), with its initial life.
void addMessage(GameState& game, int kind, int x, int y);
int messageFullLife(int kind);
int messageInitialLife(int kind);

// Where and how a message is drawn at its current life: the alpha and the
// rectangle its picture is stretched into, grown from the centre. Zero alpha
// and an empty rectangle for a kind outside the table.
struct MessageLook {
    float alpha;
    float left, top, width, height;
};
MessageLook messageLook(const PixelMessage& message);
// Draws every message, retires the expired; blend and alpha are restored.
void messagePass(GameState& game, const Assets& assets);
