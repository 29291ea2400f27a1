// Placeholder so the program links while this module is being written.
#include "engine/resources/resource_store.h"
bool registerResource(const std::string&, const uint8_t*, size_t) { return false; }
void registerEmbeddedResources() {}
bool findResource(const std::string&, const uint8_t**, size_t*) { return false; }
int resourceCount() { return 0; }
