// game_state.h - the world of one game: the player, the five entity lists and
// the level's state and flags. Passes hand information to each other only
// through these fields.
#pragma once

#include <string>
#include <vector>

#include "engine/resources/image.h"
#include "world/entities.h"

// Each list keeps insertion order (file order), which is also the update and
// drawing order. A pass that removes the entity it visits walks by index and
// does not advance past a removal, so nothing is skipped or repeated.
using PlatformList = std::vector<Platforms>;
using ItemList = std::vector<Coins>;
using SpikeList = std::vector<Spikes>;
using BaddieList = std::vector<Baddie>;
using MessageList = std::vector<PixelMessage>;

constexpr int AIR_MAX = 5600;
constexpr int TILE_SIZE = 10;

// Per-tick terrain results, cleared before the terrain pass.
struct TerrainFlags {
    int blockedAbove = 0;
    int blockedLeft = 0;
    int blockedRight = 0;
    int climbUp = 0;
    int slopeJump = 0;
};

struct GameState {
    Player player;
    Anim livesAnim;

    PlatformList platformList;
    ItemList itemList;
    SpikeList spikeList;
    BaddieList baddieList;
    MessageList messageList;

    // Folder of levels.txt and the level files; tools and tests point it elsewhere.
    std::string levelDirectory = "levels";
    int levelCount = 0;
    int startLevel = 1;
    std::string levelTitle;
    std::string backdropName;
    int itemKindOfLevel = 0;
    int itemFrames = 1;
    int itemAnimMode = 0;
    int spikeStyle = 0;
    int tileSize = TILE_SIZE;
    int airMax = AIR_MAX;
    int air = 0;

    int loadLevelPending = 0;
    int slideInPending = 0;
    int playerDied = 0;
    int hurryShown = 0;
    int quitToTitle = 0;

    TerrainFlags terrain;

    ImagePtr oldScreenGrab;
    ImagePtr newScreenGrab;
};
