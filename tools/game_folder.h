// Lays out a ready game folder: every picture of the image catalogue as a
// 24-bit BMP and the default overworld plan map/1.overworld. Only those
// files are written; anything else in the folder, the player's saves in
// map/ above all, is left alone.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace delver {

// A catalogue path (".\folder\name.bmp") split into its folder and name
// without the extension. False when the path is not of that shape, or
// names a folder or file that could climb out of the game folder.
bool SplitCataloguePath(const std::string& gamePath, std::string* folder, std::string* name);

// The distinct paths of the image catalogue, in first-load order.
std::vector<std::string> DistinctCataloguePaths();

// Writes the picture of every given catalogue path under gameDir, creating
// the folders it needs; a file that already holds the right bytes is not
// rewritten. False, with a message in *error, on the first failure.
bool WriteCatalogueImages(const std::filesystem::path& gameDir, const std::vector<std::string>& gamePaths,
                          std::string* error);

// Writes gameDir/map/1.overworld (65,536 bytes). False on failure.
bool WriteDefaultOverworld(const std::filesystem::path& gameDir, std::string* error);

// Both of the above for the whole catalogue.
bool WriteGameFolder(const std::filesystem::path& gameDir, std::string* error);

}  // namespace delver
