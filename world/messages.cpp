// messages.cpp - the floating word pictures (ten points, exit open, ouch,
// bonus life, hurry): creation with the kind's life, and the pass that grows,
// fades, draws and retires them.
//
// addMessage is all a creator does; messagePass runs once per tick after the
// item pass and leaves the blend mode and alpha as it found them.
#include "world/messages.h"

#include "engine/render/render.h"

namespace {

struct MessageKind {
    int fullLife;    // drives growth and fading
    int initialLife; // what a new message starts with
    int width;       // of the picture; every message picture is 9 high
};

constexpr int MESSAGE_HEIGHT = 9;

// Index = kind 1..5.
constexpr MessageKind kKinds[6] = {
    {0, 0, 0}, {60, 40, 58}, {120, 120, 58}, {120, 120, 32}, {120, 120, 68}, {120, 120, 52},
};

bool knownKind(int kind) {
    return kind >= 1 && kind <= 5;
}

} // namespace

int messageFullLife(int kind) {
    return knownKind(kind) ? kKinds[kind].fullLife : 0;
}

int messageInitialLife(int kind) {
    return knownKind(kind) ? kKinds[kind].initialLife : 0;
}

void addMessage(GameState& game, int kind, int x, int y) {
    PixelMessage message;
    message.kind = kind;
    message.x = x;
    message.y = y;
    message.life = messageInitialLife(kind);
    game.messageList.push_back(message);
}

MessageLook messageLook(const PixelMessage& m) {
    if (!knownKind(m.kind)) return MessageLook{0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    const int fullLife = kKinds[m.kind].fullLife;
    // Single precision and in this order, so the fade steps are the same on
    // every machine.
    const float alpha =
        static_cast<float>(m.life) * (100.0f / static_cast<float>(fullLife)) / 100.0f;
    const float scale = static_cast<float>(fullLife - m.life) / 16.0f;
    const float width = static_cast<float>(kKinds[m.kind].width) * scale;
    const float height = static_cast<float>(MESSAGE_HEIGHT) * scale;
    return MessageLook{alpha, static_cast<float>(m.x) - width / 2.0f,
                       static_cast<float>(m.y) - height / 2.0f, width, height};
}

void messagePass(GameState& game, const Assets& assets) {
    MessageList& list = game.messageList;
    // By index: a retired message is erased and its successor takes its slot.
    for (size_t i = 0; i < list.size();) {
        PixelMessage& m = list[i];
        const int savedBlend = getBlend();
        const float savedAlpha = getAlpha();

        const MessageLook look = messageLook(m);
        setBlend(ALPHA_BLEND);
        setAlpha(look.alpha);
        drawImageRect(messagePicture(assets, m.kind), look.left, look.top, look.width, look.height,
                      0);

        m.life -= 1;
        // A life that was never positive would otherwise count down forever.
        if (m.life <= 0)
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;

        setBlend(savedBlend);
        setAlpha(savedAlpha);
    }
}
