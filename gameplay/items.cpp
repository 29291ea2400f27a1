// items.cpp - the item pass: collection on pixel contact, score, the bonus
// life at every 500 points, the pick-up messages, item animation and drawing.
//
// Call itemPass once per tick after the player has moved. The exit opens by
// itself once itemList is empty (gameplay/exit.cpp looks at the list).
#include "gameplay/items.h"

#include "engine/audio/audio.h"
#include "engine/collision/contact.h"
#include "engine/render/render.h"
#include "world/messages.h"

namespace {

constexpr int BONUS_LIFE_EVERY = 500;
constexpr int FIXED_MESSAGE_X = 180;
constexpr int FIXED_MESSAGE_Y = 120;

// A new frame once frameTimer passes frameDelay: every 6 ticks at delay 5.
void animateItem(Coins& item) {
    if (item.frameCount <= 1) return;
    item.frameTimer += 1;
    if (item.frameTimer <= item.frameDelay) return;
    item.frameTimer = 0;
    if (item.animMode == 2) {
        if (item.frame == item.frameCount - 1) item.frameStep = -1;
        if (item.frame == 0) item.frameStep = 1;
        item.frame += item.frameStep;
    } else {
        item.frame += 1;
        if (item.frame >= item.frameCount) item.frame = 0;
    }
}

} // namespace

void itemPass(GameState& game, const Assets& assets) {
    Player& player = game.player;
    Image* playerPicture = assets.player.get();
    ItemList& list = game.itemList;
    // By index: a collected item is erased and its successor takes its slot.
    for (size_t i = 0; i < list.size();) {
        Coins item = list[i];
        Image* picture = itemPicture(assets, item.itemKind);
        const bool collected =
            touches(playerPicture, player.x, player.y, player.frame, picture, item.x, item.y, 0);
        if (collected) {
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
            player.score += item.points;
            playSound(assets.coin.get());
            addMessage(game, MSG_TEN_POINTS, item.x, item.y);
            if (player.score % BONUS_LIFE_EVERY == 0) {
                addMessage(game, MSG_BONUS_LIFE, FIXED_MESSAGE_X, FIXED_MESSAGE_Y);
                player.lives += 1;
            }
        }

        animateItem(item);
        if (!collected) {
            list[i] = item;
            drawImage(picture, static_cast<float>(item.x), static_cast<float>(item.y), item.frame);
            ++i;
        }

        // Only the collection of the last item can empty the list here, so
        // this happens once per level try and never on a level without items.
        if (list.empty()) addMessage(game, MSG_EXIT_OPEN, FIXED_MESSAGE_X, FIXED_MESSAGE_Y);
    }
}
