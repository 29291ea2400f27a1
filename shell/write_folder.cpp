// write_folder.cpp - choosing between the program's folder and the player's
// own folder for the files the game writes.
#include "shell/write_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "engine/io/runtime_error.h"

namespace {

constexpr const char* GAME_FOLDER = "gloam-didaruv/";

bool absolute(const char* path) {
    return path && path[0] == '/';
}

std::string withSlash(std::string folder) {
    if (folder.back() != '/') folder += '/';
    return folder;
}

bool isFolder(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

bool canCreateFiles(const std::string& folder) {
    std::string probe =
        (folder.empty() ? std::string() : withSlash(folder)) + ".gloam-probe-XXXXXX";
    std::vector<char> name(probe.begin(), probe.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(name.data());
    return true;
}

std::string userGameFolder(const char* xdgDataHome, const char* home) {
    if (absolute(xdgDataHome)) return withSlash(xdgDataHome) + GAME_FOLDER;
    if (absolute(home)) return withSlash(home) + ".local/share/" + GAME_FOLDER;
    return {};
}

bool makeFolders(const std::string& folder) {
    for (size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return isFolder(folder);
}

std::string chooseWriteFolder() {
    if (canCreateFiles("")) return {};
    const std::string user = userGameFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    if (!user.empty() && makeFolders(user) && canCreateFiles(user)) return user;
    runtimeError("Cannot write configuration file");
}
