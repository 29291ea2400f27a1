// Placeholder so the program links while this module is being written.
#include "engine/io/jpeg_write.h"
bool saveJpeg(const PixelBuffer&, const std::string&, int) { return false; }
