// level_scratch.cpp - the scratch folder: made with mkdtemp, so two at once
// (an editor's check and its solver) never meet.
#include "level_scratch.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

bool put(const std::string& file, const std::string& bytes) {
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

// Whole: a helper program may have made its own scratch folders inside.
void removeFolder(const std::string& directory) {
    std::error_code error;
    std::filesystem::remove_all(directory, error);
}

} // namespace

ScratchLevelFolder::ScratchLevelFolder(const std::string& bytes) {
    const char* base = std::getenv("TMPDIR");
    std::string path = std::string(base && *base ? base : "/tmp") + "/gloam-level.XXXXXX";
    if (!mkdtemp(path.data())) return;
    directory_ = path;
    if (!put(path + "/levels.txt", "1\n") || !put(path + "/level1.txt", bytes)) {
        removeFolder(path);
        directory_.clear();
    }
}

ScratchLevelFolder::~ScratchLevelFolder() {
    if (!directory_.empty()) removeFolder(directory_);
}
