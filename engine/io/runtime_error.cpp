// Placeholder so the program links while this module is being written.
#include "engine/io/runtime_error.h"
#include <cstdio>
#include <cstdlib>
void runtimeError(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    std::exit(-1);
}
