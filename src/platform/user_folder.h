// Where an installed copy of the game plays. An installed copy keeps its
// images and overworld plan read-only under the install prefix
// (<prefix>/share/delver/game beside <prefix>/bin/delver); started without
// -C it plays in the player's own game folder under the XDG data folder,
// filled on first start with copies of the installed files, and keeps its
// saves there. A copy run from a build tree or from inside a game folder is
// no installed copy and plays in the current folder.
// On Windows the installer puts the data in game\ beside delver.exe and the
// player's folder is %APPDATA%\delver; the zip, which has no game\ folder,
// plays in place.
#pragma once

#include <filesystem>
#include <string>

namespace delver {

// The installed game data that belongs to the program at programPath:
// <program's folder>/<relative data path>, when that folder holds the
// overworld plan (map/1.overworld). Empty for a program that is not an
// installed copy.
std::filesystem::path InstalledGameData(const std::filesystem::path& programPath);

// The running program's own path; empty where it cannot be told.
std::filesystem::path RunningProgramPath();

// The player's game folder: <xdgDataHome>/delver when xdgDataHome is an
// absolute path (a relative one is ignored, as the XDG rules say), else
// <home>/.local/share/delver when home is absolute; empty when neither is.
std::filesystem::path UserGameFolder(const std::string& xdgDataHome, const std::string& home);

// The same from XDG_DATA_HOME and HOME (or, without HOME, the account's
// home folder). On Windows: <the roaming application data folder>\delver,
// from SHGetKnownFolderPath.
std::filesystem::path UserGameFolderFromEnvironment();

// Makes userFolder a ready game folder: creates it, and copies every file of
// installedData it lacks, writable by the player (the game opens its
// images for reading and writing). A file already there, a save or an
// image the player changed, is never touched; a copy is written under a
// temporary name and renamed, so an interrupted start leaves no half file.
// False, with one line in *error, on the first failure.
bool PrepareUserGameFolder(const std::filesystem::path& installedData, const std::filesystem::path& userFolder,
                           std::string* error);

}  // namespace delver
