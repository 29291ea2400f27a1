// Placeholder so the program links while this module is being written.
#include "engine/audio/audio.h"
bool audioOpen() { return false; }
void audioClose() {}
bool audioActive() { return false; }
SoundPtr loadSound(const std::string&, int) { return nullptr; }
Channel allocChannel() { return {}; }
Channel playSound(const Sound*, Channel) { return {}; }
void stopChannel(Channel) {}
bool channelPlaying(Channel) { return false; }
void setChannelVolume(Channel, float) {}
