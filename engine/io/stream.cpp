// Placeholder so the program links while this module is being written.
#include "engine/io/stream.h"
void registerStreamScheme(const std::string&, StreamOpener) {}
StreamPtr openStream(const std::string&, bool, bool) { return nullptr; }
StreamPtr openWriteStream(const std::string&) { return nullptr; }
StreamPtr openMemoryStream(const uint8_t*, size_t) { return nullptr; }
void closeStream(StreamPtr& stream) { stream.reset(); }
std::string readLine(Stream&) { return {}; }
bool writeLine(Stream&, const std::string&) { return false; }
int fileType(const std::string&) { return 0; }
