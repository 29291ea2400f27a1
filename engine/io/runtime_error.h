// runtime_error.h - the few fatal conditions of the game. The message goes to
// standard error and the process ends with exit status -1 (255).
#pragma once

#include <string>

[[noreturn]] void runtimeError(const std::string& message);
