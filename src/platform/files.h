// Game files (images, overworld plans, save slots). The game names them the
// way its data folder is laid out, as ".\folder\file"; these helpers turn
// that into a native path and give open-always semantics: opening a file
// that does not exist creates it empty, provided its folder exists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace delver {

// ".\map\1.overworld" -> "./map/1.overworld" (POSIX) or unchanged (Windows).
std::string NativePath(const std::string& gamePath);

class GameFile {
public:
    GameFile() = default;
    GameFile(const GameFile&) = delete;
    GameFile& operator=(const GameFile&) = delete;
    GameFile(GameFile&& other) noexcept;
    GameFile& operator=(GameFile&& other) noexcept;
    ~GameFile();

    // Opens for reading and writing, creating the file empty if it is
    // missing; an existing file is not truncated. IsOpen() tells whether it
    // worked (it fails when the folder is missing).
    static GameFile OpenAlways(const std::string& gamePath);
    // Creates or truncates the file for writing only.
    static GameFile CreateTruncated(const std::string& gamePath);

    bool IsOpen() const;
    // Reads up to count bytes at the current position, looping over short
    // reads until count bytes or the end of the file. Returns bytes read.
    size_t Read(void* buffer, size_t count);
    // Writes count bytes, looping over short writes. Returns bytes written.
    size_t Write(const void* buffer, size_t count);
    // Size of the open file in bytes, or -1 when it cannot be told.
    int64_t Size() const;
    // Flushes written data to the disk. False on failure.
    bool Sync();
    // Closes the file; false if closing reported an error.
    bool Close();

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

// Replaces `to` by `from` in one step (rename over an existing file).
bool ReplaceGameFile(const std::string& fromGamePath, const std::string& toGamePath);
// Removes a file; false if it could not be removed.
bool RemoveGameFile(const std::string& gamePath);
// True when the path names an existing folder.
bool FolderExists(const std::string& gamePath);
// Size of an existing file, or -1.
int64_t GameFileSize(const std::string& gamePath);

}  // namespace delver
