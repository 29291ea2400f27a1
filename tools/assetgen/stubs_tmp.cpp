#include "tools/assetgen/assetgen.h"
void makeBackdrops(const GenPaths&) {}
void makeEffects(const GenPaths&) {}
void makeMusic(const GenPaths&) {}
