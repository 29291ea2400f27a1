// assets.cpp - the resource table and the lookups by number and keyword.
#include "world/assets.h"

#include "engine/resources/resource_store.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr int MASKED = MASKED_IMAGE;
constexpr int DEFAULT = -1;
constexpr int DYNAMIC = DYNAMIC_IMAGE;

// Load order of the whole program. The loading picture comes first.
const AssetEntry kTable[] = {
    {"gfx\\loading.bmp", 320, 240, 1, false, DEFAULT},
    {"gfx\\player.bmp", 10, 20, 16, true, MASKED},
    {"gfx\\playermask.bmp", 10, 20, 1, false, MASKED},
    {"gfx\\baddie_guard1.bmp", 15, 20, 4, true, MASKED},
    {"gfx\\baddie_guard2.bmp", 10, 20, 6, true, MASKED},
    {"gfx\\tedbike.bmp", 20, 20, 8, true, MASKED},
    {"gfx\\baddie_penguin.bmp", 10, 20, 4, true, MASKED},
    {"gfx\\baddie_monk.bmp", 9, 20, 6, true, MASKED},
    {"gfx\\baddie_hatter.bmp", 15, 20, 4, true, MASKED},
    {"gfx\\DezuVivo.bmp", 20, 25, 3, true, MASKED},
    {"gfx\\grimble.bmp", 20, 20, 4, true, MASKED},
    {"gfx\\baddie_phone.bmp", 20, 20, 3, true, MASKED},
    {"gfx\\teddisk.bmp", 20, 20, 4, true, MASKED},
    {"gfx\\baddie_phone_green.bmp", 20, 20, 3, true, MASKED},
    {"gfx\\baddie_phone_red.bmp", 20, 20, 3, true, MASKED},
    {"gfx\\MegaFred.bmp", 20, 25, 3, true, MASKED},
    {"gfx\\monty.bmp", 14, 20, 6, true, MASKED},
    {"gfx\\BlueBlob.bmp", 17, 20, 4, true, MASKED},
    {"gfx\\GreenBlob.bmp", 17, 20, 4, true, MASKED},
    {"gfx\\crusher.bmp", 25, 50, 6, true, MASKED},
    {"gfx\\teapot.bmp", 18, 20, 10, true, MASKED},
    {"gfx\\msg_10pts.bmp", 58, 9, 1, false, MASKED},
    {"gfx\\msg_exit.bmp", 58, 9, 1, false, MASKED},
    {"gfx\\msg_ouch.bmp", 32, 9, 1, false, MASKED},
    {"gfx\\msg_bonuslife.bmp", 68, 9, 1, false, MASKED},
    {"gfx\\msg_hurry.bmp", 52, 9, 1, false, MASKED},
    {"gfx\\foot.bmp", 90, 50, 1, false, MASKED},
    {"gfx\\titlescreen.bmp", 320, 240, 1, false, DYNAMIC},
    {"gfx\\platform.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\platform2.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\platform3.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\platform4.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\platform5.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\platform6.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\stairs_l.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\stairs_r.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\roof_l.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\roof_r.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\tileroof.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\tileroof_l.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\tileroof_r.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\thread.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\spider.bmp", 10, 10, 2, true, MASKED},
    {"gfx\\platform_destruct.bmp", 10, 10, 4, true, MASKED},
    {"gfx\\conveyor.bmp", 10, 10, 2, true, MASKED},
    {"gfx\\ladder.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\pole.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\exit.bmp", 20, 20, 4, true, MASKED},
    {"gfx\\backdrop.jpg", 320, 240, 1, false, DEFAULT},
    {"gfx\\backdrop_woods.jpg", 320, 240, 1, false, DEFAULT},
    {"gfx\\backdrop_abbey.jpg", 320, 240, 1, false, DEFAULT},
    {"gfx\\coin.bmp", 10, 10, 4, true, MASKED},
    {"gfx\\coal.bmp", 10, 10, 4, true, MASKED},
    {"gfx\\key.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\cup.bmp", 10, 10, 2, true, MASKED},
    {"gfx\\candle.bmp", 10, 10, 2, true, MASKED},
    {"gfx\\spike.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\spike2.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\tedspike.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\tedspike2.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\bush.bmp", 10, 10, 1, false, MASKED},
    {"gfx\\TScroll_Left.bmp", 32, 32, 1, false, DYNAMIC},
    {"gfx\\TScroll_Right.bmp", 32, 32, 1, false, DYNAMIC},
    {"sfx\\jump.ogg", 0, 0, 0, false, 0},
    {"sfx\\coin.ogg", 0, 0, 0, false, 0},
    {"sfx\\ow.ogg", 0, 0, 0, false, 0},
    {"sfx\\success.ogg", 0, 0, 0, false, 0},
    {"sfx\\splat.ogg", 0, 0, 0, false, 0},
    {"mus\\ingame1.ogg", 0, 0, 0, false, SOUND_LOOP | SOUND_STREAM},
    {"mus\\ingame2.ogg", 0, 0, 0, false, SOUND_LOOP | SOUND_STREAM},
};

struct BaddieKind {
    const char* keyword;
    const char* picture;
    int frameCount;
    int animMode;
};

// The twenty kinds: keyword, picture, frames, animation mode.
const BaddieKind kBaddieKinds[20] = {
    {"Guard1", "gfx\\baddie_guard1.bmp", 4, 1},
    {"Guard2", "gfx\\baddie_guard2.bmp", 6, 1},
    {"TedHead", "gfx\\DezuVivo.bmp", 3, 4},
    {"MegaFred", "gfx\\MegaFred.bmp", 3, 4},
    {"Grimble", "gfx\\grimble.bmp", 4, 3},
    {"Phone", "gfx\\baddie_phone.bmp", 3, 4},
    {"Phone_green", "gfx\\baddie_phone_green.bmp", 3, 4},
    {"Phone_red", "gfx\\baddie_phone_red.bmp", 3, 4},
    {"Monk", "gfx\\baddie_monk.bmp", 6, 1},
    {"TedDisk", "gfx\\teddisk.bmp", 4, 4},
    {"TedBike", "gfx\\tedbike.bmp", 8, 2},
    {"Teapot", "gfx\\teapot.bmp", 10, 2},
    {"Spider", "gfx\\spider.bmp", 2, 3},
    {"Penguin", "gfx\\baddie_penguin.bmp", 4, 1},
    {"Bush", "gfx\\bush.bmp", 1, 5},
    {"Hatter", "gfx\\baddie_hatter.bmp", 4, 3},
    {"Monty", "gfx\\monty.bmp", 6, 1},
    {"BlueBlob", "gfx\\BlueBlob.bmp", 4, 3},
    {"GreenBlob", "gfx\\GreenBlob.bmp", 4, 3},
    {"Crusher", "gfx\\crusher.bmp", 6, 4},
};

const char* kPlatformPictures[20] = {
    nullptr,
    "gfx\\platform.bmp",
    "gfx\\platform2.bmp",
    "gfx\\platform3.bmp",
    "gfx\\platform_destruct.bmp",
    "gfx\\conveyor.bmp",
    "gfx\\ladder.bmp",
    "gfx\\exit.bmp",
    "gfx\\thread.bmp",
    "gfx\\pole.bmp",
    "gfx\\platform4.bmp",
    "gfx\\platform5.bmp",
    "gfx\\platform6.bmp",
    "gfx\\stairs_l.bmp",
    "gfx\\stairs_r.bmp",
    "gfx\\roof_r.bmp",
    "gfx\\roof_l.bmp",
    "gfx\\tileroof_l.bmp",
    "gfx\\tileroof_r.bmp",
    "gfx\\tileroof.bmp",
};

const char* kItemPictures[6] = {nullptr,        "gfx\\coin.bmp",   "gfx\\key.bmp",
                                "gfx\\cup.bmp", "gfx\\candle.bmp", "gfx\\coal.bmp"};
const char* kSpikePictures[5] = {nullptr, "gfx\\spike.bmp", "gfx\\spike2.bmp", "gfx\\tedspike.bmp",
                                 "gfx\\tedspike2.bmp"};
const char* kMessagePictures[6] = {nullptr,
                                   "gfx\\msg_10pts.bmp",
                                   "gfx\\msg_exit.bmp",
                                   "gfx\\msg_ouch.bmp",
                                   "gfx\\msg_bonuslife.bmp",
                                   "gfx\\msg_hurry.bmp"};

std::string url(const char* name) {
    return std::string("incbin::") + name;
}

ImagePtr loadEntry(const AssetEntry& e) {
    if (e.strip)
        return loadImageStrip(url(e.name), e.cellWidth, e.cellHeight, 0, e.frames, e.flags);
    return loadImage(url(e.name), e.flags);
}

// Finds the slot a resource name is kept in; none for names not kept.
ImagePtr* imageSlot(Assets& a, const char* name) {
    auto is = [&](const char* n) { return std::strcmp(name, n) == 0; };
    if (is("gfx\\player.bmp")) return &a.player;
    if (is("gfx\\playermask.bmp")) return &a.playerMask;
    if (is("gfx\\foot.bmp")) return &a.foot;
    if (is("gfx\\titlescreen.bmp")) return &a.titleScreen;
    if (is("gfx\\TScroll_Left.bmp")) return &a.scrollLeft;
    if (is("gfx\\TScroll_Right.bmp")) return &a.scrollRight;
    if (is("gfx\\backdrop.jpg")) return &a.backdropCaves;
    if (is("gfx\\backdrop_woods.jpg")) return &a.backdropWoods;
    if (is("gfx\\backdrop_abbey.jpg")) return &a.backdropAbbey;
    for (int i = 0; i < 20; ++i)
        if (is(kBaddieKinds[i].picture)) return &a.baddies[i];
    for (int i = 1; i < 20; ++i)
        if (is(kPlatformPictures[i])) return &a.platforms[i];
    for (int i = 1; i < 6; ++i)
        if (is(kItemPictures[i])) return &a.items[i];
    for (int i = 1; i < 5; ++i)
        if (is(kSpikePictures[i])) return &a.spikes[i];
    for (int i = 1; i < 6; ++i)
        if (is(kMessagePictures[i])) return &a.messages[i];
    return nullptr;
}

SoundPtr* soundSlot(Assets& a, const char* name) {
    auto is = [&](const char* n) { return std::strcmp(name, n) == 0; };
    if (is("sfx\\jump.ogg")) return &a.jump;
    if (is("sfx\\coin.ogg")) return &a.coin;
    if (is("sfx\\ow.ogg")) return &a.ow;
    if (is("sfx\\success.ogg")) return &a.success;
    if (is("sfx\\splat.ogg")) return &a.splat;
    if (is("mus\\ingame1.ogg")) return &a.musicGame;
    if (is("mus\\ingame2.ogg")) return &a.musicTitle;
    return nullptr;
}

bool isSound(const AssetEntry& e) {
    return std::strncmp(e.name, "gfx\\", 4) != 0;
}

} // namespace

const AssetEntry* assetTable(int* count) {
    *count = static_cast<int>(sizeof kTable / sizeof kTable[0]);
    return kTable;
}

namespace {

constexpr int SOUND_DECODER_NICE = 10;

// Only the picture slots are written: the sounds decode meanwhile.
void loadPictures(Assets& assets) {
    for (const AssetEntry& e : kTable) {
        if (isSound(e)) continue;
        // The platform pictures and the bush share slots with nothing else;
        // the loading picture has no slot and is skipped here.
        if (ImagePtr* slot = imageSlot(assets, e.name)) *slot = loadEntry(e);
    }
}

// Only the sound slots are written, so the images may load meanwhile; each
// decoder writes the slots of its own share.
void loadSounds(Assets& assets, const std::vector<const AssetEntry*>& share) {
    for (const AssetEntry* e : share)
        if (SoundPtr* slot = soundSlot(assets, e->name)) *slot = loadSound(url(e->name), e->flags);
}

// The title tune alone is the first decoder's share: the title waits for it
// and for nothing else. The other sounds split among the other decoders,
// balanced by compressed size (largest first to the lighter share).
std::array<std::vector<const AssetEntry*>, SOUND_DECODERS> soundShares() {
    std::array<std::vector<const AssetEntry*>, SOUND_DECODERS> shares;
    std::vector<std::pair<size_t, const AssetEntry*>> sounds;
    for (const AssetEntry& e : kTable) {
        if (!isSound(e)) continue;
        if (std::strcmp(e.name, TITLE_TUNE) == 0) {
            shares[0].push_back(&e);
            continue;
        }
        const uint8_t* bytes = nullptr;
        size_t size = 0;
        findResource(e.name, &bytes, &size);
        sounds.emplace_back(size, &e);
    }
    std::stable_sort(sounds.begin(), sounds.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::array<size_t, SOUND_DECODERS> load{};
    load[0] = SIZE_MAX; // the title tune's decoder takes nothing more
    for (const auto& [size, e] : sounds) {
        const size_t lightest =
            static_cast<size_t>(std::min_element(load.begin(), load.end()) - load.begin());
        shares[lightest].push_back(e);
        load[lightest] += size;
    }
    return shares;
}

} // namespace

void beginLoadingPictures(Assets& assets) {
    if (assets.picturesBegun) return;
    assets.picturesBegun = true;
    assets.pictureLoader = std::jthread([&assets] { loadPictures(assets); });
}

void beginLoadingAssets(Assets& assets) {
    beginLoadingPictures(assets);
    if (assets.soundsBegun) return;
    assets.soundsBegun = true;
    const auto shares = soundShares();
    for (int i = 0; i < SOUND_DECODERS; ++i)
        assets.soundLoaders[i] = std::jthread([&assets, share = shares[i]] {
            // Behind the start-up's own work on a small machine; the title
            // tune only opens its stream, so it is not held up.
            setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), SOUND_DECODER_NICE);
            loadSounds(assets, share);
        });
}

void loadAssetsForTitle(Assets& assets) {
    beginLoadingAssets(assets); // what start-up has not begun yet
    if (assets.pictureLoader.joinable()) assets.pictureLoader.join();
    if (assets.soundLoaders[0].joinable()) assets.soundLoaders[0].join();
}

void finishLoadingSounds(Assets& assets) {
    for (std::jthread& decoder : assets.soundLoaders)
        if (decoder.joinable()) decoder.join();
}

void loadAssets(Assets& assets) {
    loadAssetsForTitle(assets);
    finishLoadingSounds(assets);
}

int baddieKindIndex(const std::string& kind) {
    for (int i = 0; i < 20; ++i)
        if (kind == kBaddieKinds[i].keyword) return i;
    return -1;
}

void baddieKindAnimation(const std::string& kind, int* frameCount, int* animMode) {
    const int i = baddieKindIndex(kind);
    *frameCount = i < 0 ? 0 : kBaddieKinds[i].frameCount;
    *animMode = i < 0 ? 1 : kBaddieKinds[i].animMode;
}

Image* baddiePicture(const Assets& assets, const std::string& kind) {
    const int i = baddieKindIndex(kind);
    return i < 0 ? nullptr : assets.baddies[i].get();
}

Image* platformPicture(const Assets& assets, int pictureId) {
    return pictureId >= 1 && pictureId <= 19 ? assets.platforms[pictureId].get() : nullptr;
}

Image* itemPicture(const Assets& assets, int itemKind) {
    return itemKind >= 1 && itemKind <= 5 ? assets.items[itemKind].get() : nullptr;
}

Image* spikePicture(const Assets& assets, int pictureId) {
    return pictureId >= 1 && pictureId <= 4 ? assets.spikes[pictureId].get() : nullptr;
}

Image* messagePicture(const Assets& assets, int kind) {
    return kind >= 1 && kind <= 5 ? assets.messages[kind].get() : nullptr;
}

Image* backdropPicture(const Assets& assets, const std::string& backdropName) {
    if (backdropName == "Woods") return assets.backdropWoods.get();
    if (backdropName == "Caves") return assets.backdropCaves.get();
    if (backdropName == "Abbey") return assets.backdropAbbey.get();
    return nullptr;
}
