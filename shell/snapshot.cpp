// snapshot.cpp - copying the world field by field. GameState owns the two
// screen pictures, so it cannot be copied whole; everything else is plain
// data and copies with the vectors' and strings' own assignment.
#include "shell/snapshot.h"

#include "engine/io/random.h"

void copyWorld(const GameState& from, GameState& to) {
    to.player = from.player;
    to.livesAnim = from.livesAnim;
    to.platformList = from.platformList;
    to.itemList = from.itemList;
    to.spikeList = from.spikeList;
    to.baddieList = from.baddieList;
    to.messageList = from.messageList;
    to.levelDirectory = from.levelDirectory;
    to.levelCount = from.levelCount;
    to.startLevel = from.startLevel;
    to.levelTitle = from.levelTitle;
    to.backdropName = from.backdropName;
    to.itemKindOfLevel = from.itemKindOfLevel;
    to.itemFrames = from.itemFrames;
    to.itemAnimMode = from.itemAnimMode;
    to.spikeStyle = from.spikeStyle;
    to.tileSize = from.tileSize;
    to.airMax = from.airMax;
    to.air = from.air;
    to.loadLevelPending = from.loadLevelPending;
    to.slideInPending = from.slideInPending;
    to.playerDied = from.playerDied;
    to.hurryShown = from.hurryShown;
    to.quitToTitle = from.quitToTitle;
    to.terrain = from.terrain;
}

void WorldSnapshot::take(const GameState& game) {
    copyWorld(game, world_);
    random_ = rndState();
}

void WorldSnapshot::restore(GameState& game) const {
    copyWorld(world_, game);
    rndSetState(random_);
}
