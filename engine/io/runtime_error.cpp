// runtime_error.cpp - ends the program on one of its few fatal conditions:
// the message and a newline on standard error, exit status -1.
#include "engine/io/runtime_error.h"

#include <cstdio>
#include <cstdlib>

void runtimeError(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
    std::exit(-1);
}
