// resource_store.h - the embedded files, addressed as "incbin::<name>".
//
// Names keep their folder prefix with a backslash ("gfx\player.bmp") and are
// compared exactly (case-sensitive). The first registration of a name wins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

bool registerResource(const std::string& name, const uint8_t* bytes, size_t size);
// Registers every file of gfx/, sfx/ and mus/ built into the program and the
// "incbin" stream scheme (the built-in font registers its own table). Safe to
// call more than once.
void registerEmbeddedResources();
// Looks a name up; false when no entry has it.
bool findResource(const std::string& name, const uint8_t** bytes, size_t* size);
int resourceCount();
