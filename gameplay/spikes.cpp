// spikes.cpp - the spike pass: a spike kills on pixel contact with the
// figure and is drawn; it is not terrain and stops nothing.
//
// Call spikePass once per tick after the message pass.
#include "gameplay/spikes.h"

#include "engine/collision/contact.h"
#include "engine/render/render.h"

void spikePass(GameState& game, const Assets& assets) {
    const Player& player = game.player;
    Image* playerPicture = assets.player.get();
    for (const Spikes& spike : game.spikeList) {
        Image* picture = spikePicture(assets, spike.pictureId);
        if (touches(playerPicture, player.x, player.y, player.frame, picture, spike.x, spike.y, 0))
            game.playerDied = 1;
        drawImage(picture, static_cast<float>(spike.x), static_cast<float>(spike.y), 0);
    }
}
