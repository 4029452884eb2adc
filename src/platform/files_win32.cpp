// The file helpers on Windows.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/file_faults.h"
#include "platform/files.h"

namespace delver {

namespace {

using Kind = FileOpEvent::Kind;

void SetFileErrorFromSystem() {
    DWORD code = GetLastError();
    char text[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.'))
        text[--n] = '\0';
    if (n == 0) std::snprintf(text, sizeof text, "Windows error %lu", static_cast<unsigned long>(code));
    SetLastFileError(text);
}

// A handle to a regular file on a disk (not a link), or nullptr with the
// error noted.
void* KeepDiskFile(HANDLE h) {
    if (h == INVALID_HANDLE_VALUE) {
        SetFileErrorFromSystem();
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        CloseHandle(h);
        SetLastFileError("not a regular file");
        return nullptr;
    }
    return h;
}

}  // namespace

GameFile GameFile::OpenAlways(const std::string& gamePath) {
    GameFile f;
    if (file_hook::Before("open")) return f;
    f.path_ = NativePath(gamePath);
    HANDLE h = CreateFileA(f.path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD why = GetLastError();
        if (why == ERROR_ACCESS_DENIED || why == ERROR_WRITE_PROTECT || why == ERROR_SHARING_VIOLATION) {
            // A read-only file or folder: read what is there, create nothing.
            h = CreateFileA(f.path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        } else {
            SetLastError(why);
        }
    }
    f.handle_ = KeepDiskFile(h);
    return f;
}

GameFile GameFile::OpenForReading(const std::string& gamePath) {
    GameFile f;
    if (file_hook::Before("open")) return f;
    f.path_ = NativePath(gamePath);
    f.handle_ = KeepDiskFile(CreateFileA(f.path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return f;
}

GameFile GameFile::CreateNew(const std::string& gamePath) {
    GameFile f;
    if (file_hook::Before("create")) return f;
    f.path_ = NativePath(gamePath);
    if (GetFileAttributesA(f.path_.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (!DeleteFileA(f.path_.c_str())) {
            SetFileErrorFromSystem();
            return f;
        }
        file_hook::After({Kind::Remove, f.path_});
    }
    f.handle_ = KeepDiskFile(CreateFileA(f.path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (f.IsOpen()) file_hook::After({Kind::Create, f.path_});
    return f;
}

size_t GameFile::Read(void* buffer, size_t count) {
    if (!IsOpen()) return 0;
    if (file_hook::Before("read")) return 0;
    size_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < count) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(static_cast<HANDLE>(handle_), p + done, chunk, &got, nullptr)) {
            SetFileErrorFromSystem();
            break;
        }
        if (got == 0) break;
        done += got;
    }
    return done;
}

size_t GameFile::Write(const void* buffer, size_t count) {
    if (!IsOpen()) return 0;
    if (file_hook::Before("write")) return 0;
    size_t done = 0;
    auto* p = static_cast<const char*>(buffer);
    while (done < count) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
        DWORD put = 0;
        if (!WriteFile(static_cast<HANDLE>(handle_), p + done, chunk, &put, nullptr)) {
            SetFileErrorFromSystem();
            break;
        }
        if (put == 0) {
            SetLastFileError("nothing could be written");
            break;
        }
        done += put;
    }
    if (done > 0) file_hook::After({Kind::Write, path_, {}, static_cast<const uint8_t*>(buffer), done});
    return done;
}

int64_t GameFile::Size() const {
    LARGE_INTEGER size;
    if (!IsOpen() || !GetFileSizeEx(static_cast<HANDLE>(handle_), &size)) return -1;
    return static_cast<int64_t>(size.QuadPart);
}

bool GameFile::Sync() {
    if (!IsOpen()) return false;
    if (file_hook::Before("flush")) return false;
    if (FlushFileBuffers(static_cast<HANDLE>(handle_))) {
        file_hook::After({Kind::Flush, path_});
        return true;
    }
    SetFileErrorFromSystem();
    return false;
}

bool GameFile::Close() {
    if (!IsOpen()) return true;
    bool injected = file_hook::Before("close");
    bool ok = CloseHandle(static_cast<HANDLE>(handle_)) != 0;
    if (!ok) SetFileErrorFromSystem();
    handle_ = NoFileHandle;
    return ok && !injected;
}

bool ReplaceGameFile(const std::string& from, const std::string& to) {
    if (file_hook::Before("rename")) return false;
    const std::string a = NativePath(from), b = NativePath(to);
    if (MoveFileExA(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        file_hook::After({Kind::Rename, a, b});
        return true;
    }
    SetFileErrorFromSystem();
    return false;
}

bool RemoveGameFile(const std::string& gamePath) {
    if (file_hook::Before("remove")) return false;
    const std::string path = NativePath(gamePath);
    if (DeleteFileA(path.c_str())) {
        file_hook::After({Kind::Remove, path});
        return true;
    }
    SetFileErrorFromSystem();
    return false;
}

// Windows has no flush for a folder; the moves above are written through.
bool SyncGameFolder(const std::string& folderGamePath) {
    if (file_hook::Before("folder flush")) return false;
    file_hook::After({Kind::FolderFlush, NativePath(folderGamePath)});
    return true;
}

std::FILE* OpenRegularStream(const std::string& nativePath, bool forWriting) {
    const DWORD a = GetFileAttributesA(nativePath.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
        SetLastFileError("not a regular file");
        return nullptr;
    }
    std::FILE* f = std::fopen(nativePath.c_str(), forWriting ? "wb" : "rb");
    if (!f) SetLastFileError(std::strerror(errno));
    return f;
}

bool FolderExists(const std::string& gamePath) {
    DWORD a = GetFileAttributesA(NativePath(gamePath).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

int64_t GameFileSize(const std::string& gamePath) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(NativePath(gamePath).c_str(), GetFileExInfoStandard, &d)) return -1;
    return (static_cast<int64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

bool GameFileWritable(const std::string& gamePath) {
    DWORD a = GetFileAttributesA(NativePath(gamePath).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return true;
    return !(a & FILE_ATTRIBUTE_READONLY) || (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

PathKind GamePathKind(const std::string& gamePath) {
    DWORD a = GetFileAttributesA(NativePath(gamePath).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
    if (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT)) return PathKind::Other;
    return PathKind::Regular;
}

GameFileLock GameFileLock::Acquire(const std::string& gamePath, unsigned waitMs) {
    GameFileLock lock;
    if (file_hook::Before("lock")) return lock;
    lock.path_ = NativePath(gamePath);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        // Shared with nobody, and gone when its handle closes, also when
        // the process ends without closing it.
        HANDLE h = CreateFileA(lock.path_.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            lock.handle_ = h;
            lock.busy_ = false;
            return lock;
        }
        DWORD why = GetLastError();
        // A lock file held by another copy refuses to be shared (or, while
        // it is being deleted, to be opened at all).
        lock.busy_ = why == ERROR_SHARING_VIOLATION ||
                     (why == ERROR_ACCESS_DENIED && GamePathKind(gamePath) == PathKind::Regular);
        if (!lock.busy_) {
            SetLastError(why);
            SetFileErrorFromSystem();
            return lock;
        }
        if (std::chrono::steady_clock::now() >= until) {
            SetLastFileError("held by another copy of the game");
            return lock;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void GameFileLock::Release() {
    if (!Held()) return;
    file_hook::Before("unlock");
    CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = NoFileHandle;
}

}  // namespace delver
