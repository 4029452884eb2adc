// The file helpers' code common to every system; each system's own calls are
// in files_posix.cpp and files_win32.cpp.
#include "platform/files.h"

#include <utility>

namespace delver {

namespace {

// The last failure's words: the file helpers run on the game's one thread.
std::string g_lastError;

}  // namespace

const std::string& LastFileError() { return g_lastError; }

void SetLastFileError(const std::string& why) { g_lastError = why; }

std::string NativePath(const std::string& gamePath) {
#ifdef _WIN32
    return gamePath;
#else
    std::string out = gamePath;
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
#endif
}

GameFile::GameFile(GameFile&& other) noexcept
    : path_(std::move(other.path_)), handle_(std::exchange(other.handle_, NoFileHandle)) {}

GameFile& GameFile::operator=(GameFile&& other) noexcept {
    if (this != &other) {
        Close();
        path_ = std::move(other.path_);
        handle_ = std::exchange(other.handle_, NoFileHandle);
    }
    return *this;
}

GameFile::~GameFile() { Close(); }

bool GameFile::IsOpen() const { return handle_ != NoFileHandle; }

GameFileLock::GameFileLock(GameFileLock&& other) noexcept
    : path_(std::move(other.path_)), busy_(other.busy_), handle_(std::exchange(other.handle_, NoFileHandle)) {}

GameFileLock& GameFileLock::operator=(GameFileLock&& other) noexcept {
    if (this != &other) {
        Release();
        path_ = std::move(other.path_);
        busy_ = other.busy_;
        handle_ = std::exchange(other.handle_, NoFileHandle);
    }
    return *this;
}

GameFileLock::~GameFileLock() { Release(); }

bool GameFileLock::Held() const { return handle_ != NoFileHandle; }

}  // namespace delver
