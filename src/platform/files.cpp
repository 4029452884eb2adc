#include "platform/files.h"

#include <algorithm>
#include <utility>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#endif

namespace delver {

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

GameFile::GameFile(GameFile&& other) noexcept {
#ifdef _WIN32
    handle_ = std::exchange(other.handle_, nullptr);
#else
    fd_ = std::exchange(other.fd_, -1);
#endif
}

GameFile& GameFile::operator=(GameFile&& other) noexcept {
    if (this != &other) {
        Close();
#ifdef _WIN32
        handle_ = std::exchange(other.handle_, nullptr);
#else
        fd_ = std::exchange(other.fd_, -1);
#endif
    }
    return *this;
}

GameFile::~GameFile() { Close(); }

#ifdef _WIN32

GameFile GameFile::OpenAlways(const std::string& gamePath) {
    GameFile f;
    HANDLE h = CreateFileA(NativePath(gamePath).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) f.handle_ = h;
    return f;
}

GameFile GameFile::CreateTruncated(const std::string& gamePath) {
    GameFile f;
    HANDLE h = CreateFileA(NativePath(gamePath).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) f.handle_ = h;
    return f;
}

bool GameFile::IsOpen() const { return handle_ != nullptr; }

size_t GameFile::Read(void* buffer, size_t count) {
    if (!handle_) return 0;
    size_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < count) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(static_cast<HANDLE>(handle_), p + done, chunk, &got, nullptr) || got == 0) break;
        done += got;
    }
    return done;
}

size_t GameFile::Write(const void* buffer, size_t count) {
    if (!handle_) return 0;
    size_t done = 0;
    auto* p = static_cast<const char*>(buffer);
    while (done < count) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
        DWORD put = 0;
        if (!WriteFile(static_cast<HANDLE>(handle_), p + done, chunk, &put, nullptr) || put == 0) break;
        done += put;
    }
    return done;
}

int64_t GameFile::Size() const {
    LARGE_INTEGER size;
    if (!handle_ || !GetFileSizeEx(static_cast<HANDLE>(handle_), &size)) return -1;
    return static_cast<int64_t>(size.QuadPart);
}

bool GameFile::Sync() { return handle_ && FlushFileBuffers(static_cast<HANDLE>(handle_)); }

bool GameFile::Close() {
    if (!handle_) return true;
    bool ok = CloseHandle(static_cast<HANDLE>(handle_)) != 0;
    handle_ = nullptr;
    return ok;
}

bool ReplaceGameFile(const std::string& from, const std::string& to) {
    return MoveFileExA(NativePath(from).c_str(), NativePath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveGameFile(const std::string& gamePath) { return DeleteFileA(NativePath(gamePath).c_str()) != 0; }

bool FolderExists(const std::string& gamePath) {
    DWORD a = GetFileAttributesA(NativePath(gamePath).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

int64_t GameFileSize(const std::string& gamePath) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(NativePath(gamePath).c_str(), GetFileExInfoStandard, &d)) return -1;
    return (static_cast<int64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

#else

GameFile GameFile::OpenAlways(const std::string& gamePath) {
    GameFile f;
    int fd;
    do {
        fd = ::open(NativePath(gamePath).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    f.fd_ = fd;
    return f;
}

GameFile GameFile::CreateTruncated(const std::string& gamePath) {
    GameFile f;
    int fd;
    do {
        fd = ::open(NativePath(gamePath).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    f.fd_ = fd;
    return f;
}

bool GameFile::IsOpen() const { return fd_ >= 0; }

size_t GameFile::Read(void* buffer, size_t count) {
    if (fd_ < 0) return 0;
    size_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t got = ::read(fd_, p + done, count - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

size_t GameFile::Write(const void* buffer, size_t count) {
    if (fd_ < 0) return 0;
    size_t done = 0;
    auto* p = static_cast<const char*>(buffer);
    while (done < count) {
        ssize_t put = ::write(fd_, p + done, count - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) break;
        done += static_cast<size_t>(put);
    }
    return done;
}

int64_t GameFile::Size() const {
    struct stat st;
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool GameFile::Sync() { return fd_ >= 0 && ::fsync(fd_) == 0; }

bool GameFile::Close() {
    if (fd_ < 0) return true;
    bool ok = ::close(fd_) == 0;
    fd_ = -1;
    return ok;
}

bool ReplaceGameFile(const std::string& from, const std::string& to) {
    return std::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

bool RemoveGameFile(const std::string& gamePath) { return ::unlink(NativePath(gamePath).c_str()) == 0; }

bool FolderExists(const std::string& gamePath) {
    struct stat st;
    return ::stat(NativePath(gamePath).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t GameFileSize(const std::string& gamePath) {
    struct stat st;
    if (::stat(NativePath(gamePath).c_str(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

#endif

}  // namespace delver
