// write_folder.h - where the game writes its settings file and screenshots.
//
//   const std::string folder = chooseWriteFolder(); // once, before the settings
//   readSettings(screen, folder + SETTINGS_FILE);
//   saveScreenshot(folder);
//
// Beside the program (the working directory, "") whenever files can be
// created there: a portable folder, the build folder, a per-user prefix. An
// installed copy in a folder the player cannot write uses the player's own
// folder for the game instead, $XDG_DATA_HOME/gloam-didaruv/ or
// ~/.local/share/gloam-didaruv/, made when missing. Levels are always read
// beside the program, whichever folder is chosen.
#pragma once

#include <string>

// Whether a new file can be made in folder ("" = the working directory): a
// probe file is created and removed again.
bool canCreateFiles(const std::string& folder);
// The player's folder for the game, ending in '/', from the values of
// XDG_DATA_HOME and HOME (null when unset); "" when neither names an absolute
// folder. A relative or empty XDG_DATA_HOME is ignored, as the XDG rules say.
std::string userGameFolder(const char* xdgDataHome, const char* home);
// Makes folder and its missing parents (new ones readable by the player
// only); true when folder is a folder afterwards.
bool makeFolders(const std::string& folder);
// "" when files can be created beside the program, else the player's folder,
// made when missing. Ends the program with "Cannot write configuration file"
// when neither can be written.
std::string chooseWriteFolder();
