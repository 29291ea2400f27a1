// assets.h - every picture and sound of the game, loaded once at start-up in
// the order of the resource table and kept to the end.
//
// Lookups by number or keyword return none for numbers and keywords outside
// their tables; every consumer treats none as "nothing to draw or test".
#pragma once

#include <array>
#include <string>
#include <thread>

#include "engine/audio/audio.h"
#include "engine/resources/image.h"

// Threads that decode the sounds at start-up: one per core of a small machine.
// The first decodes only the title tune, so the title can start before the rest.
constexpr int SOUND_DECODERS = 2;
constexpr const char* TITLE_TUNE = "mus\\ingame2.ogg";

struct Assets {
    ImagePtr player;     // 16 frames of 10 x 20: 0..7 facing right, 8..15 left
    ImagePtr playerMask; // the terrain collision shape

    // Baddie pictures in the order of the kind table (see baddieKindIndex).
    std::array<ImagePtr, 20> baddies;

    std::array<ImagePtr, 6> messages; // index = message kind 1..5
    ImagePtr foot;
    ImagePtr titleScreen;
    ImagePtr scrollLeft, scrollRight;

    std::array<ImagePtr, 20> platforms; // index = pictureId 1..19
    std::array<ImagePtr, 6> items;      // index = item kind 1..5
    std::array<ImagePtr, 5> spikes;     // index = spike picture 1..4
    ImagePtr backdropCaves, backdropWoods, backdropAbbey;

    SoundPtr jump, coin, ow, success, splat;
    SoundPtr musicGame;  // mus\ingame1.ogg, looped
    SoundPtr musicTitle; // mus\ingame2.ogg, looped

    // Decode the pictures and sounds behind the start-up's own work
    // (beginLoadingAssets), the sounds one share each; joined by loadAssets,
    // or on destruction if loading never got that far.
    std::jthread pictureLoader;
    std::array<std::jthread, SOUND_DECODERS> soundLoaders;
    bool picturesBegun = false, soundsBegun = false; // each starts once
};

// One row of the resource table.
struct AssetEntry {
    const char* name; // resource name, e.g. "gfx\\player.bmp"
    int cellWidth, cellHeight, frames;
    bool strip; // loadImageStrip rather than loadImage
    int flags;  // image load flags, or sound flags for sounds
};
// The table in load order (the loading picture first); sounds last.
const AssetEntry* assetTable(int* count);

// Starts decoding the pictures and the sounds on threads of their own, each
// at most once; they need neither the window nor the audio device. The sound
// decoders run at a lower priority: the window and the title come first, and
// no sound but the title tune is needed before play.
void beginLoadingAssets(Assets& assets);
// The pictures alone: start-up starts them before it shows the loading
// picture and the sounds after, which would slow that first frame down.
void beginLoadingPictures(Assets& assets);
// Loads everything except the loading picture (which start-up shows and drops),
// waiting for what beginLoadingAssets started.
void loadAssets(Assets& assets);
// What the title needs: the pictures and the title tune. The other sounds go
// on decoding in the background; until finishLoadingSounds returns, only
// musicTitle of the sounds may be read.
void loadAssetsForTitle(Assets& assets);
void finishLoadingSounds(Assets& assets); // waits for every sound; at once when done

// ---- Lookups ---------------------------------------------------------------------------
// 0..19 for the twenty baddie keywords, -1 for anything else.
int baddieKindIndex(const std::string& kind);
// Frame count and animation mode a keyword gives; (0, 1) for unknown keywords.
void baddieKindAnimation(const std::string& kind, int* frameCount, int* animMode);
Image* baddiePicture(const Assets& assets, const std::string& kind);
Image* platformPicture(const Assets& assets, int pictureId);
Image* itemPicture(const Assets& assets, int itemKind);
Image* spikePicture(const Assets& assets, int pictureId);
Image* messagePicture(const Assets& assets, int kind);
Image* backdropPicture(const Assets& assets, const std::string& backdropName);
