#include "tools/assetgen/assetgen.h"
void makeScreens(const GenPaths&) {}
void makeBackdrops(const GenPaths&) {}
void makeEffects(const GenPaths&) {}
void makeMusic(const GenPaths&) {}
