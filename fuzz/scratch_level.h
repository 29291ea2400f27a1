// scratch_level.h - the levels folder of the level fuzz targets: made once in
// TMPDIR (scripts/fuzz points it at memory), removed at exit. Each input is
// written as its level1.txt beside a levels.txt that says 1:
//
//   static ScratchLevel folder("level_fuzz");
//   folder.write(data, size);   // then load folder.path as the levels folder
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

class ScratchLevel {
  public:
    explicit ScratchLevel(const std::string& name) {
        const char* base = std::getenv("TMPDIR");
        path = std::string(base && *base ? base : "/tmp") + "/" + name + ".XXXXXX";
        if (!mkdtemp(path.data())) std::abort();
    }
    ~ScratchLevel() {
        std::remove((path + "/level1.txt").c_str());
        std::remove((path + "/levels.txt").c_str());
        rmdir(path.c_str());
    }
    ScratchLevel(const ScratchLevel&) = delete;
    ScratchLevel& operator=(const ScratchLevel&) = delete;

    void write(const uint8_t* data, size_t size) const {
        static const uint8_t one[] = {'1', '\r', '\n'};
        put(path + "/levels.txt", one, sizeof one);
        put(path + "/level1.txt", data, size);
    }

    std::string path;

  private:
    // A scratch file that cannot be written is the machine's fault, not the input's.
    static void put(const std::string& file, const uint8_t* data, size_t size) {
        FILE* f = std::fopen(file.c_str(), "wb");
        if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) std::abort();
    }
};
