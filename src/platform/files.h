// Game files (images, overworld plans, save slots). The game names them the
// way its data folder is laid out, as ".\folder\file"; these helpers turn
// that into a native path and give open-always semantics: opening a file
// that does not exist creates it empty, provided its folder exists.
//
// Game files are regular files. Anything else under a game file's name (a
// FIFO, a device, a folder) is treated like a file that cannot be opened,
// so that no read or write can wait for ever.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace delver {

// An open file or lock as the system knows it.
#ifdef _WIN32
using FileHandle = void*;
inline const FileHandle NoFileHandle = nullptr;
#else
using FileHandle = int;
inline constexpr FileHandle NoFileHandle = -1;
#endif

// ".\map\1.overworld" -> "./map/1.overworld" (POSIX) or unchanged (Windows).
std::string NativePath(const std::string& gamePath);

// Why the last failed file helper call failed, in a few words ("No space
// left on device", "not a regular file").
const std::string& LastFileError();
void SetLastFileError(const std::string& why);

class GameFile {
public:
    GameFile() = default;
    GameFile(const GameFile&) = delete;
    GameFile& operator=(const GameFile&) = delete;
    GameFile(GameFile&& other) noexcept;
    GameFile& operator=(GameFile&& other) noexcept;
    ~GameFile();

    // Opens for reading and writing, creating the file empty if it is
    // missing; an existing file is not truncated. A file that may only be
    // read (or lies in a read-only folder) is opened for reading only, and
    // nothing is created then. IsOpen() tells whether it worked (it fails
    // when the folder is missing or the name is not a regular file).
    static GameFile OpenAlways(const std::string& gamePath);
    // Opens an existing regular file for reading only; creates nothing and
    // never follows a symbolic link.
    static GameFile OpenForReading(const std::string& gamePath);
    // Makes a new, empty file for writing (and reading). Whatever was under
    // the name (an old file, or a link planted there) is removed first and
    // the file is created exclusively, so that nothing written to it can
    // land anywhere else.
    static GameFile CreateNew(const std::string& gamePath);

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
    std::string path_;  // the native path, for the test hook's record
    FileHandle handle_ = NoFileHandle;
};

// Replaces `to` by `from` in one step (rename over an existing file); on
// Windows the move is written through to the disk before it returns.
bool ReplaceGameFile(const std::string& fromGamePath, const std::string& toGamePath);
// Removes a file; false if it could not be removed.
bool RemoveGameFile(const std::string& gamePath);
// Makes the folder's entries (files created, renamed or removed in it)
// durable where the system allows it; false when flushing failed.
bool SyncGameFolder(const std::string& folderGamePath);
// True when the path names an existing folder.
bool FolderExists(const std::string& gamePath);
// Size of an existing file, or -1.
int64_t GameFileSize(const std::string& gamePath);
// False when the player has made an existing file read-only.
bool GameFileWritable(const std::string& gamePath);

// Opens a file named on the command line (a recording, a screenshot, an
// input script), whose path is the player's own, for writing ("wb": made
// or emptied) or reading ("rb"). Only a regular file, or a new one, is
// opened, and without ever waiting: a FIFO or a device is refused at once.
// nullptr with LastFileError() on failure.
std::FILE* OpenRegularStream(const std::string& nativePath, bool forWriting);

// What a name stands for: nothing, a regular file, or something else (a
// folder, a device, a symbolic link).
enum class PathKind { Missing, Regular, Other };
PathKind GamePathKind(const std::string& gamePath);

// An exclusive lock between copies of the game, held through a lock file.
// The file exists only while some copy holds the lock, or is left behind
// by a copy that ended while holding it; a lock left so is free again.
class GameFileLock {
public:
    GameFileLock() = default;
    GameFileLock(const GameFileLock&) = delete;
    GameFileLock& operator=(const GameFileLock&) = delete;
    GameFileLock(GameFileLock&& other) noexcept;
    GameFileLock& operator=(GameFileLock&& other) noexcept;
    ~GameFileLock();

    // Takes the lock, waiting up to waitMs (real time) while another copy
    // holds it. Held() tells whether it worked; Busy() that another copy
    // held it all the time; otherwise LastFileError() says why it failed.
    static GameFileLock Acquire(const std::string& gamePath, unsigned waitMs);
    bool Held() const;
    bool Busy() const { return busy_; }
    // Gives the lock up and removes the lock file.
    void Release();

private:
    std::string path_;
    bool busy_ = false;
    FileHandle handle_ = NoFileHandle;
};

}  // namespace delver
