#include "tools/assetgen/assetgen.h"
void makeEffects(const GenPaths&) {}
void makeMusic(const GenPaths&) {}
