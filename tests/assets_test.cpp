// assets_test.cpp - the game's own pictures, effects and tunes: every file of
// the resource table loads with our loaders in its stated geometry, the
// shapes the rules depend on are exact to the pixel, the sounds decode with
// the right rate, channels and length, and running gloam-assetgen again gives
// exactly the committed files.
#include <gtest/gtest.h>
#include <unistd.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "engine/audio/mixer.h"
#include "engine/resources/image.h"
#include "engine/resources/resource_store.h"
#include "shell/game.h"
#include "shell/play_loop.h"
#include "world/assets.h"

namespace fs = std::filesystem;

namespace {

const fs::path kSource = GLOAM_SOURCE_DIR;
const fs::path kBuild = GLOAM_BINARY_DIR;

std::string url(const std::string& name) {
    return "incbin::" + name;
}

// The file a resource name stands for, e.g. "gfx\\player.bmp" -> <repo>/gfx/player.bmp.
fs::path fileOf(const std::string& name) {
    return kSource / name.substr(0, 3) / name.substr(4);
}

std::vector<uint8_t> readFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

const AssetEntry* findEntry(const std::string& name) {
    int count = 0;
    const AssetEntry* table = assetTable(&count);
    for (int i = 0; i < count; ++i)
        if (name == table[i].name) return &table[i];
    return nullptr;
}

// The picture as the game loads it (same loader, geometry and flags).
ImagePtr loadAsGame(const std::string& name) {
    registerEmbeddedResources();
    const AssetEntry* e = findEntry(name);
    if (!e) return nullptr;
    if (e->strip)
        return loadImageStrip(url(name), e->cellWidth, e->cellHeight, 0, e->frames, e->flags);
    return loadImage(url(name), e->flags);
}

bool opaqueAt(const Image& img, int frame, int x, int y) {
    const PixelBuffer& b = img.frames[static_cast<size_t>(frame)].pixels;
    return b.bytes[static_cast<size_t>(y) * b.pitch + static_cast<size_t>(x) * 4 + 3] == 255;
}

// Every pixel of the frame is fully opaque or fully transparent, and opaque
// exactly where want says.
void expectShape(const std::string& name, int frame, const std::function<bool(int, int)>& want) {
    ImagePtr img = loadAsGame(name);
    ASSERT_TRUE(img) << name;
    ASSERT_LT(frame, imageFrames(img.get())) << name;
    const PixelBuffer& b = img->frames[static_cast<size_t>(frame)].pixels;
    ASSERT_EQ(b.format, PF_RGBA32) << name;
    for (int y = 0; y < img->height; ++y)
        for (int x = 0; x < img->width; ++x) {
            const uint8_t a =
                b.bytes[static_cast<size_t>(y) * b.pitch + static_cast<size_t>(x) * 4 + 3];
            EXPECT_TRUE(a == 0 || a == 255) << name << " alpha " << int(a);
            EXPECT_EQ(a == 255, want(x, y))
                << name << " frame " << frame << " at " << x << "," << y;
        }
}

bool full(int, int) {
    return true;
}

// The exit door: a 2-pixel border and 4 x 4 checks, the even ones solid.
bool exitDoor(int x, int y) {
    if (x < 2 || y < 2 || x > 17 || y > 17) return true;
    return ((x - 2) / 4 + (y - 2) / 4) % 2 == 0;
}

} // namespace

// ---- Geometry and file format ------------------------------------------------------------

TEST(AssetsTest, EveryTableEntryHasItsFileAndNothingElseIsShipped) {
    int count = 0;
    const AssetEntry* table = assetTable(&count);
    std::set<fs::path> expected;
    for (int i = 0; i < count; ++i) {
        expected.insert(fileOf(table[i].name));
        EXPECT_TRUE(fs::is_regular_file(fileOf(table[i].name))) << table[i].name;
    }
    for (const char* dir : {"gfx", "sfx", "mus"})
        for (const auto& f : fs::directory_iterator(kSource / dir))
            EXPECT_TRUE(expected.count(f.path())) << "stray file " << f.path();
    EXPECT_EQ(count, 70);
}

TEST(AssetsTest, EveryPictureLoadsInItsCellSizeAndFrameCount) {
    int count = 0;
    const AssetEntry* table = assetTable(&count);
    for (int i = 0; i < count; ++i) {
        const AssetEntry& e = table[i];
        if (std::string(e.name).rfind("gfx\\", 0) != 0) continue;
        ImagePtr img = loadAsGame(e.name);
        ASSERT_TRUE(img) << e.name;
        EXPECT_EQ(imageWidth(img.get()), e.cellWidth) << e.name;
        EXPECT_EQ(imageHeight(img.get()), e.cellHeight) << e.name;
        EXPECT_EQ(imageFrames(img.get()), e.strip ? e.frames : 1) << e.name;
        // The whole picture is exactly the frames side by side, nothing left over.
        std::optional<PixelBuffer> whole = loadPixelBuffer(url(e.name));
        ASSERT_TRUE(whole) << e.name;
        EXPECT_EQ(whole->width, e.cellWidth * e.frames) << e.name;
        EXPECT_EQ(whole->height, e.cellHeight) << e.name;
    }
}

TEST(AssetsTest, BitmapsAreUncompressedBottomUpWithThreePalettised) {
    const std::set<std::string> palettised = {"gfx\\player.bmp", "gfx\\platform.bmp",
                                              "gfx\\ladder.bmp"};
    int count = 0, eightBit = 0;
    const AssetEntry* table = assetTable(&count);
    auto u32 = [](const std::vector<uint8_t>& b, size_t at) {
        return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 |
               uint32_t{b[at + 3]} << 24;
    };
    for (int i = 0; i < count; ++i) {
        const std::string name = table[i].name;
        if (name.size() < 4 || name.substr(name.size() - 4) != ".bmp") continue;
        const std::vector<uint8_t> b = readFile(fileOf(name));
        ASSERT_GE(b.size(), 54u) << name;
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        EXPECT_EQ(u32(b, 2), b.size()) << name;
        EXPECT_EQ(u32(b, 14), 40u) << name;                     // info header size
        EXPECT_GT(static_cast<int32_t>(u32(b, 22)), 0) << name; // positive height: bottom-up
        EXPECT_EQ(u32(b, 30), 0u) << name;                      // no compression
        const int bits = b[28] | b[29] << 8;
        EXPECT_EQ(bits, palettised.count(name) ? 8 : 24) << name;
        if (bits == 8) {
            ++eightBit;
            EXPECT_EQ(b[54] | b[55] | b[56], 0) << name << ": palette entry 0 must be black";
        }
    }
    EXPECT_EQ(eightBit, 3);
}

// ---- Shapes the rules depend on ----------------------------------------------------------

TEST(AssetsTest, TerrainAndMaskShapesAreExact) {
    struct Case {
        const char* name;
        int frame;
        std::function<bool(int, int)> opaque;
    };
    const Case cases[] = {
        {"gfx\\playermask.bmp", 0, [](int x, int) { return x >= 2 && x <= 7; }},
        {"gfx\\platform.bmp", 0, full},
        {"gfx\\platform2.bmp", 0, full},
        {"gfx\\platform5.bmp", 0, full},
        {"gfx\\platform6.bmp", 0, full},
        {"gfx\\tileroof.bmp", 0, full},
        {"gfx\\conveyor.bmp", 0, full},
        {"gfx\\conveyor.bmp", 1, full},
        {"gfx\\platform_destruct.bmp", 0, full},
        {"gfx\\ladder.bmp", 0, [](int x, int y) { return y < 2 || x < 2 || x > 7; }},
        {"gfx\\pole.bmp", 0, [](int x, int y) { return (x + y) % 2 == 1; }},
        {"gfx\\thread.bmp", 0, [](int x, int) { return x == 5; }},
        {"gfx\\stairs_l.bmp", 0, [](int x, int y) { return x <= y; }},
        {"gfx\\stairs_r.bmp", 0, [](int x, int y) { return x >= 9 - y; }},
        {"gfx\\roof_r.bmp", 0, [](int x, int y) { return x >= y; }},
        {"gfx\\roof_l.bmp", 0, [](int x, int y) { return x <= 9 - y; }},
        {"gfx\\tileroof_l.bmp", 0, [](int x, int y) { return x >= 9 - y; }},
        {"gfx\\tileroof_r.bmp", 0, [](int x, int y) { return x <= y; }},
        {"gfx\\exit.bmp", 0, exitDoor},
        {"gfx\\exit.bmp", 1, exitDoor},
        {"gfx\\exit.bmp", 2, exitDoor},
        {"gfx\\exit.bmp", 3, exitDoor},
    };
    for (const Case& c : cases)
        expectShape(c.name, c.frame, c.opaque);
}

TEST(AssetsTest, RaggedLatticeAndCrumblingTilesKeepTheirRows) {
    ImagePtr rock = loadAsGame("gfx\\platform3.bmp"), girder = loadAsGame("gfx\\platform4.bmp");
    ImagePtr crumble = loadAsGame("gfx\\platform_destruct.bmp");
    ASSERT_TRUE(rock && girder && crumble);
    auto rowCount = [](const Image& img, int frame, int y) {
        int n = 0;
        for (int x = 0; x < img.width; ++x)
            n += opaqueAt(img, frame, x, y);
        return n;
    };
    for (int y = 0; y < 10; ++y) {
        // Rock: rows 0..6 solid, rows 7..9 each with gaps.
        if (y <= 6)
            EXPECT_EQ(rowCount(*rock, 0, y), 10) << "platform3 row " << y;
        else
            EXPECT_LT(rowCount(*rock, 0, y), 10) << "platform3 row " << y;
        // Girder: flanges solid, a lattice (some of each) between them.
        const int g = rowCount(*girder, 0, y);
        if (y < 2 || y > 7)
            EXPECT_EQ(g, 10) << "platform4 row " << y;
        else
            EXPECT_TRUE(g > 0 && g < 10) << "platform4 row " << y;
    }
    // Crumbling: top row always whole, each frame a part of the one before,
    // smaller, and open at the bottom.
    for (int f = 1; f < 4; ++f) {
        EXPECT_EQ(rowCount(*crumble, f, 0), 10) << "frame " << f;
        EXPECT_LT(rowCount(*crumble, f, 9), 10) << "frame " << f;
        int before = 0, now = 0;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x) {
                before += opaqueAt(*crumble, f - 1, x, y);
                now += opaqueAt(*crumble, f, x, y);
                // Nothing grows back: every pixel left was there a frame earlier.
                EXPECT_FALSE(opaqueAt(*crumble, f, x, y) && !opaqueAt(*crumble, f - 1, x, y))
                    << "frame " << f << " " << x << "," << y;
            }
        EXPECT_LT(now, before) << "frame " << f;
    }
}

TEST(AssetsTest, PlayerFramesFaceBothWaysAndStayInsideTheCell) {
    ImagePtr player = loadAsGame("gfx\\player.bmp");
    ASSERT_TRUE(player);
    ASSERT_EQ(imageFrames(player.get()), 16);
    for (int f = 0; f < 8; ++f) {
        int opaque = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 10; ++x) {
                // Frames 8..15 are the mirror images of 0..7.
                EXPECT_EQ(opaqueAt(*player, f, x, y), opaqueAt(*player, f + 8, 9 - x, y))
                    << "frame " << f << " at " << x << "," << y;
                opaque += opaqueAt(*player, f, x, y);
            }
        EXPECT_GT(opaque, 60) << "frame " << f;
        for (int y = 0; y < 20; ++y) {
            EXPECT_FALSE(opaqueAt(*player, f, 0, y)) << "frame " << f << " touches column 0";
            EXPECT_FALSE(opaqueAt(*player, f, 9, y)) << "frame " << f << " touches column 9";
        }
    }
    // The walk cycle moves: no two neighbouring frames of a facing are the same.
    for (int f = 0; f < 8; ++f)
        EXPECT_NE(player->frames[static_cast<size_t>(f)].pixels.bytes,
                  player->frames[static_cast<size_t>((f + 1) % 8)].pixels.bytes)
            << "frames " << f << " and " << (f + 1) % 8;
}

TEST(AssetsTest, BaddieStripsAnimateAndWalkersFaceTheirWay) {
    // Kinds stepped by direction (animation modes 1 and 2) show their first
    // half going right or down and their second half, its mirror, going left.
    const std::set<std::string> byDirection = {"gfx\\baddie_guard1.bmp", "gfx\\baddie_guard2.bmp",
                                               "gfx\\tedbike.bmp",       "gfx\\baddie_penguin.bmp",
                                               "gfx\\baddie_monk.bmp",   "gfx\\monty.bmp",
                                               "gfx\\teapot.bmp"};
    const char* all[] = {"gfx\\baddie_guard1.bmp",
                         "gfx\\baddie_guard2.bmp",
                         "gfx\\tedbike.bmp",
                         "gfx\\baddie_penguin.bmp",
                         "gfx\\baddie_monk.bmp",
                         "gfx\\baddie_hatter.bmp",
                         "gfx\\DezuVivo.bmp",
                         "gfx\\grimble.bmp",
                         "gfx\\baddie_phone.bmp",
                         "gfx\\teddisk.bmp",
                         "gfx\\baddie_phone_green.bmp",
                         "gfx\\baddie_phone_red.bmp",
                         "gfx\\MegaFred.bmp",
                         "gfx\\monty.bmp",
                         "gfx\\BlueBlob.bmp",
                         "gfx\\GreenBlob.bmp",
                         "gfx\\crusher.bmp",
                         "gfx\\teapot.bmp",
                         "gfx\\spider.bmp"};
    for (const char* name : all) {
        ImagePtr img = loadAsGame(name);
        ASSERT_TRUE(img) << name;
        const int n = imageFrames(img.get());
        std::set<std::vector<uint8_t>> distinct;
        for (int f = 0; f < n; ++f)
            distinct.insert(img->frames[static_cast<size_t>(f)].pixels.bytes);
        EXPECT_GE(static_cast<int>(distinct.size()), n / 2 + (n > 2)) << name << " barely animates";
        if (!byDirection.count(name)) continue;
        for (int f = 0; f < n / 2; ++f)
            for (int y = 0; y < img->height; ++y)
                for (int x = 0; x < img->width; ++x)
                    ASSERT_EQ(opaqueAt(*img, f, x, y),
                              opaqueAt(*img, f + n / 2, img->width - 1 - x, y))
                        << name << " frame " << f << " at " << x << "," << y;
    }
}

// ---- Screens and backdrops ----------------------------------------------------------------

TEST(AssetsTest, TitleScrollerBandIsPlainAndDark) {
    registerEmbeddedResources();
    std::optional<PixelBuffer> title = loadPixelBuffer(url("gfx\\titlescreen.bmp"));
    ASSERT_TRUE(title);
    const PixelBuffer rgba = convertPixels(*title, PF_RGBA32);
    auto px = [&](int x, int y) {
        const uint8_t* p =
            &rgba.bytes[static_cast<size_t>(y) * rgba.pitch + static_cast<size_t>(x) * 4];
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    const auto band = px(48, 184);
    EXPECT_LT(band[0] + band[1] + band[2], 90);
    for (int y = 184; y <= 215; ++y)
        for (int x = 48; x <= 287; ++x)
            ASSERT_EQ(px(x, y), band) << "at " << x << "," << y;
}

TEST(AssetsTest, BackdropsAreDarkBaselineJpegs) {
    registerEmbeddedResources();
    for (const char* name :
         {"gfx\\backdrop.jpg", "gfx\\backdrop_woods.jpg", "gfx\\backdrop_abbey.jpg"}) {
        const std::vector<uint8_t> b = readFile(fileOf(name));
        bool baseline = false, progressive = false;
        for (size_t i = 0; i + 1 < b.size(); ++i) {
            baseline |= b[i] == 0xFF && b[i + 1] == 0xC0;
            progressive |= b[i] == 0xFF && b[i + 1] == 0xC2;
        }
        EXPECT_TRUE(baseline && !progressive) << name;
        std::optional<PixelBuffer> pic = loadPixelBuffer(url(name));
        ASSERT_TRUE(pic) << name;
        EXPECT_EQ(pic->width, 320);
        EXPECT_EQ(pic->height, 240);
        const PixelBuffer rgba = convertPixels(*pic, PF_RGBA32);
        double sum = 0;
        for (size_t i = 0; i < rgba.bytes.size(); i += 4)
            sum += 0.3 * rgba.bytes[i] + 0.59 * rgba.bytes[i + 1] + 0.11 * rgba.bytes[i + 2];
        const double mean = sum / (320.0 * 240.0);
        EXPECT_GT(mean, 8) << name << " is blank";
        EXPECT_LT(mean, 80) << name << " is too bright for sprites to stand out";
    }
}

// ---- Sounds ----------------------------------------------------------------------------

TEST(AssetsTest, SoundsDecodeMonoAtTheirRatesAndLengths) {
    struct Case {
        const char* file;
        long rate;
        double minSeconds, maxSeconds;
    };
    const Case cases[] = {
        {"sfx/jump.ogg", 22050, 0.1, 1.0},    {"sfx/coin.ogg", 22050, 0.1, 1.0},
        {"sfx/success.ogg", 22050, 0.3, 3.0}, {"sfx/ow.ogg", 11000, 0.5, 1.0},
        {"sfx/splat.ogg", 11025, 0.2, 2.0},   {"mus/ingame1.ogg", 44100, 30, 90},
        {"mus/ingame2.ogg", 44100, 30, 90},
    };
    for (const Case& c : cases) {
        OggVorbis_File vf;
        ASSERT_EQ(ov_fopen((kSource / c.file).c_str(), &vf), 0) << c.file;
        const vorbis_info* vi = ov_info(&vf, -1);
        EXPECT_EQ(vi->channels, 1) << c.file;
        EXPECT_EQ(vi->rate, c.rate) << c.file;
        const double seconds = ov_time_total(&vf, -1);
        EXPECT_GE(seconds, c.minSeconds) << c.file;
        EXPECT_LE(seconds, c.maxSeconds) << c.file;
        ov_clear(&vf);
    }
    EXPECT_LT(fs::file_size(kSource / "mus/ingame1.ogg") +
                  fs::file_size(kSource / "mus/ingame2.ogg"),
              1500u * 1024u);
}

// Start-up decodes the pictures and the sounds on threads of their own while
// the display opens: the result must be the same pictures and sounds.
TEST(AssetsTest, PicturesAndSoundsDecodedOnTheirOwnThreadsMatchAPlainLoad) {
    registerEmbeddedResources();
    Assets plain;
    loadAssets(plain);
    Assets early;
    beginLoadingPictures(early); // as start-up: the pictures, then the sounds
    beginLoadingAssets(early);
    beginLoadingAssets(early); // a second call does not start more decoders
    loadAssets(early);
    beginLoadingAssets(early); // nor one after they have all been joined
    for (const std::jthread& decoder : early.soundLoaders)
        EXPECT_FALSE(decoder.joinable());
    const std::pair<const SoundPtr*, const SoundPtr*> pairs[] = {
        {&plain.jump, &early.jump},
        {&plain.coin, &early.coin},
        {&plain.ow, &early.ow},
        {&plain.success, &early.success},
        {&plain.splat, &early.splat},
        {&plain.musicGame, &early.musicGame},
        {&plain.musicTitle, &early.musicTitle}};
    for (const auto& [a, b] : pairs) {
        ASSERT_TRUE(*a && *b);
        EXPECT_GT((*a)->frames, 0);
        EXPECT_EQ((*a)->frames, (*b)->frames);
        EXPECT_EQ(soundSamples(**a), soundSamples(**b));
    }
    EXPECT_FALSE(early.pictureLoader.joinable());
    const std::pair<const ImagePtr*, const ImagePtr*> pictures[] = {
        {&plain.player, &early.player},
        {&plain.titleScreen, &early.titleScreen},
        {&plain.backdropAbbey, &early.backdropAbbey},
        {&plain.platforms[19], &early.platforms[19]},
        {&plain.items[5], &early.items[5]}};
    for (const auto& [a, b] : pictures) {
        ASSERT_TRUE(*a && *b);
        ASSERT_EQ(imageFrames(a->get()), imageFrames(b->get()));
        for (size_t f = 0; f < (*a)->frames.size(); ++f)
            EXPECT_EQ((*a)->frames[f].pixels.bytes, (*b)->frames[f].pixels.bytes);
    }
}

// Start-up shows the title once its tune is decoded; a game started at once
// waits for the other sounds, which then equal a plain load, and plays its tune.
TEST(AssetsTest, TheTitleWaitsForItsTuneAndAGameStartedAtOnceForTheRest) {
    registerEmbeddedResources();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const bool sound = audioOpen();
    unsetenv("SDL_AUDIODRIVER");
    Game game;
    beginLoadingAssets(game.assets);
    loadAssetsForTitle(game.assets);
    ASSERT_TRUE(game.assets.musicTitle);
    EXPECT_FALSE(game.assets.soundLoaders[0].joinable());
    newGame(game);
    for (const std::jthread& decoder : game.assets.soundLoaders)
        EXPECT_FALSE(decoder.joinable());
    const std::pair<const char*, const SoundPtr*> sounds[] = {
        {"sfx\\jump.ogg", &game.assets.jump},
        {"sfx\\coin.ogg", &game.assets.coin},
        {"sfx\\ow.ogg", &game.assets.ow},
        {"sfx\\success.ogg", &game.assets.success},
        {"sfx\\splat.ogg", &game.assets.splat},
        {"mus\\ingame1.ogg", &game.assets.musicGame},
        {"mus\\ingame2.ogg", &game.assets.musicTitle}};
    for (const auto& [name, loaded] : sounds) {
        const SoundPtr plain = loadSound(std::string("incbin::") + name, 0);
        ASSERT_TRUE(plain && *loaded) << name;
        EXPECT_EQ(soundSamples(**loaded), plain->samples) << name;
    }
    if (sound) {
        EXPECT_TRUE(channelPlaying(game.shell.musicChannel));
    }
    stopChannel(game.shell.musicChannel);
    audioClose();
}

namespace {

struct Loudness {
    double rmsDb = -200, peak = 0; // peak as a fraction of full scale
};

Loudness measure(const char* file) {
    OggVorbis_File vf;
    Loudness out;
    if (ov_fopen((kSource / file).c_str(), &vf) != 0) return out;
    char buf[8192];
    int section = 0;
    long got;
    double power = 0;
    size_t count = 0;
    while ((got = ov_read(&vf, buf, sizeof buf, 0, 2, 1, &section)) > 0) {
        for (long i = 0; i + 1 < got; i += 2) {
            int16_t v;
            std::memcpy(&v, buf + i, 2);
            const double x = v / 32768.0;
            power += x * x;
            out.peak = std::max(out.peak, std::abs(x));
            ++count;
        }
    }
    ov_clear(&vf);
    if (count > 0 && power > 0) out.rmsDb = 10 * std::log10(power / static_cast<double>(count));
    return out;
}

} // namespace

// Effects are heard over the tunes, a little louder but not drowning them,
// and one effect over a tune's loudest moment does not clip.
TEST(AssetsTest, EffectsSitAFewDecibelsAboveTheTunesWithoutClipping) {
    const Loudness tunes[] = {measure("mus/ingame1.ogg"), measure("mus/ingame2.ogg")};
    double quietest = 0, loudestPeak = 0;
    for (const Loudness& t : tunes) {
        quietest = std::min(quietest, t.rmsDb);
        loudestPeak = std::max(loudestPeak, t.peak);
    }
    ASSERT_GT(quietest, -40) << "a tune is missing or silent";
    for (const char* file :
         {"sfx/jump.ogg", "sfx/coin.ogg", "sfx/ow.ogg", "sfx/success.ogg", "sfx/splat.ogg"}) {
        const Loudness e = measure(file);
        EXPECT_GT(e.rmsDb, quietest - 12) << file << " is lost under the tunes";
        EXPECT_LE(e.rmsDb, quietest + 6) << file << " drowns the tunes";
        EXPECT_LT(e.peak + loudestPeak, 1.0) << file << " clips over a tune";
    }
}

TEST(AssetsTest, TunesLoopWithoutAJump) {
    for (const char* file : {"mus/ingame1.ogg", "mus/ingame2.ogg"}) {
        OggVorbis_File vf;
        ASSERT_EQ(ov_fopen((kSource / file).c_str(), &vf), 0) << file;
        std::vector<int16_t> pcm;
        char buf[8192];
        int section = 0;
        long got;
        while ((got = ov_read(&vf, buf, sizeof buf, 0, 2, 1, &section)) > 0)
            pcm.insert(pcm.end(), reinterpret_cast<int16_t*>(buf),
                       reinterpret_cast<int16_t*>(buf + got));
        ov_clear(&vf);
        ASSERT_GT(pcm.size(), 44100u) << file;
        // The step from the last sample back to the first is no bigger than the
        // waveform's own steps: no click at the loop point.
        int biggestStep = 0;
        for (size_t i = 1; i < pcm.size(); ++i)
            biggestStep = std::max(biggestStep, std::abs(pcm[i] - pcm[i - 1]));
        EXPECT_LT(std::abs(pcm.back() - pcm.front()), biggestStep / 4) << file;
        EXPECT_LT(std::abs(pcm.back() - pcm.front()), 2000) << file;
    }
}

// ---- Regeneration ----------------------------------------------------------------------

namespace {

// A fresh folder under the system temp folder, removed on destruction.
struct TempDir {
    fs::path path;
    explicit TempDir(const std::string& tag)
        : path(fs::temp_directory_path() /
               ("gloam-assets-" + tag + "-" + std::to_string(getpid()))) {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
};

int runGenerator(const fs::path& source, const fs::path& out, const std::string& groups) {
    fs::create_directories(out);
    const std::string cmd = "\"" + (kBuild / "gloam-assetgen").string() + "\" \"" +
                            source.string() + "\" \"" + out.string() + "\" " + groups + " > \"" +
                            (out / "log.txt").string() + "\" 2>&1";
    return std::system(cmd.c_str());
}

} // namespace

TEST(AssetsTest, RegeneratingGivesTheCommittedFilesByteForByte) {
    ASSERT_TRUE(fs::exists(kBuild / "gloam-assetgen")) << "build the gloam-assetgen target first";
    TempDir out("regen");
    ASSERT_EQ(runGenerator(kSource / "tools/assetgen", out.path, ""), 0);
    int compared = 0;
    for (const char* dir : {"gfx", "sfx", "mus"}) {
        std::set<std::string> made, committed;
        for (const auto& f : fs::directory_iterator(out.path / dir))
            made.insert(f.path().filename());
        for (const auto& f : fs::directory_iterator(kSource / dir))
            committed.insert(f.path().filename());
        EXPECT_EQ(made, committed) << dir;
        for (const std::string& name : committed) {
            if (!made.count(name)) continue;
            EXPECT_TRUE(readFile(out.path / dir / name) == readFile(kSource / dir / name))
                << dir << "/" << name << " differs from a fresh run of gloam-assetgen";
            ++compared;
        }
    }
    EXPECT_EQ(compared, 70);
}

TEST(AssetsTest, GeneratorRejectsBrokenSources) {
    ASSERT_TRUE(fs::exists(kBuild / "gloam-assetgen")) << "build the gloam-assetgen target first";
    struct Case {
        const char* file;   // under tools/assetgen
        const char* append; // text added at its end
        const char* group;
    };
    const Case cases[] = {
        {"art/palette.txt", "Z 0 0 0\n", "gfx"},          // black used as a colour
        {"art/palette.txt", "Q 1 2\n", "gfx"},            // a value missing
        {"art/key.txt", "..........\n", "gfx"},           // a block cut short
        {"art/font.txt", "= ?\nxx\n", "gfx"},             // glyph row too narrow
        {"tunes/ingame1.txt", "play lead a1\n", "mus"},   // one voice longer than the rest
        {"tunes/ingame2.txt", "pattern z H4:2\n", "mus"}, // not a note
    };
    for (const Case& c : cases) {
        TempDir dir("broken");
        fs::copy(kSource / "tools/assetgen", dir.path / "src", fs::copy_options::recursive);
        std::ofstream(dir.path / "src" / c.file, std::ios::app) << c.append;
        EXPECT_NE(runGenerator(dir.path / "src", dir.path / "out", c.group), 0) << c.file;
    }
}
