// level_scratch.h - one level held in memory, written as level 1 of a folder
// of its own in the temporary directory, so the game's loader, the solver and
// the trap search can play it. The folder goes with the object.
//
//   ScratchLevelFolder scratch(doc.bytes());
//   if (scratch.ok()) session.begin(scratch.directory(), 1, &error);
#pragma once

#include <string>

class ScratchLevelFolder {
  public:
    explicit ScratchLevelFolder(const std::string& bytes);
    ~ScratchLevelFolder();
    ScratchLevelFolder(const ScratchLevelFolder&) = delete;
    ScratchLevelFolder& operator=(const ScratchLevelFolder&) = delete;

    bool ok() const { return !directory_.empty(); } // the folder was written
    const std::string& directory() const { return directory_; }

  private:
    std::string directory_;
};
