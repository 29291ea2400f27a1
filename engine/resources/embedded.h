// embedded.h - the files of gfx/, sfx/ and mus/ built into the program.
// The table is generated at configure time from the folders themselves.
#pragma once

struct EmbeddedFile {
    const char* name; // "gfx\\player.bmp"
    const unsigned char* begin;
    const unsigned char* end;
};

const EmbeddedFile* embeddedFiles(int* count);
