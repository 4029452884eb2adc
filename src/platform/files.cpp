#include "platform/files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace delver {

namespace {

std::string g_lastError;

void SetFileError(const char* why) { g_lastError = why; }

#ifdef _WIN32
void SetFileErrorFromSystem() {
    DWORD code = GetLastError();
    char text[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.'))
        text[--n] = '\0';
    if (n == 0) std::snprintf(text, sizeof text, "Windows error %lu", static_cast<unsigned long>(code));
    g_lastError = text;
}
#else
void SetFileErrorFromSystem() { g_lastError = std::strerror(errno); }
#endif

// The test hook (see files.h).
struct FaultHook {
    enum Mode { None, Kill, Fail, Trace } mode = None;
    long at = -1;
    long count = 0;
    const char* failed = nullptr;
};
FaultHook g_fault;

// Counts one operation; true when the hook makes it fail.
bool InjectFault(const char* operation) {
    if (g_fault.mode == FaultHook::None) return false;
    if (g_fault.mode == FaultHook::Trace) {
        std::fprintf(stderr, "file op %ld: %s\n", g_fault.count++, operation);
        return false;
    }
    if (g_fault.count++ != g_fault.at) return false;
    if (g_fault.mode == FaultHook::Kill) {
        std::fflush(nullptr);
#ifdef _WIN32
        TerminateProcess(GetCurrentProcess(), 137);
#else
        std::raise(SIGKILL);
#endif
        std::_Exit(137);
    }
    g_fault.failed = operation;
    SetFileError("injected I/O error");
    return true;
}

}  // namespace

void StartFileOpCount() {
    g_fault = FaultHook{};
    const char* spec = std::getenv("DELVER_FILE_FAULT");
    if (!spec) return;
    long n = -1;
    if (std::sscanf(spec, "kill:%ld", &n) == 1 && n >= 0) {
        g_fault.mode = FaultHook::Kill;
    } else if (std::sscanf(spec, "fail:%ld", &n) == 1 && n >= 0) {
        g_fault.mode = FaultHook::Fail;
    } else if (std::strcmp(spec, "trace") == 0) {
        g_fault.mode = FaultHook::Trace;
    }
    g_fault.at = n;
}

const char* InjectedFileFault() { return g_fault.failed; }

const std::string& LastFileError() { return g_lastError; }

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

GameFileLock::GameFileLock(GameFileLock&& other) noexcept
    : path_(std::move(other.path_)), busy_(other.busy_) {
#ifdef _WIN32
    handle_ = std::exchange(other.handle_, nullptr);
#else
    fd_ = std::exchange(other.fd_, -1);
#endif
}

GameFileLock& GameFileLock::operator=(GameFileLock&& other) noexcept {
    if (this != &other) {
        Release();
        path_ = std::move(other.path_);
        busy_ = other.busy_;
#ifdef _WIN32
        handle_ = std::exchange(other.handle_, nullptr);
#else
        fd_ = std::exchange(other.fd_, -1);
#endif
    }
    return *this;
}

GameFileLock::~GameFileLock() { Release(); }

#ifdef _WIN32

namespace {

// A handle to a regular file on a disk, or nullptr (with the error noted).
void* KeepDiskFile(HANDLE h) {
    if (h == INVALID_HANDLE_VALUE) {
        SetFileErrorFromSystem();
        return nullptr;
    }
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        SetFileError("not a regular file");
        return nullptr;
    }
    return h;
}

}  // namespace

GameFile GameFile::OpenAlways(const std::string& gamePath) {
    GameFile f;
    if (InjectFault("open")) return f;
    const std::string path = NativePath(gamePath);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD why = GetLastError();
        if (why == ERROR_ACCESS_DENIED || why == ERROR_WRITE_PROTECT || why == ERROR_SHARING_VIOLATION) {
            // A read-only file or folder: read what is there, create nothing.
            h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
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
    if (InjectFault("open")) return f;
    f.handle_ = KeepDiskFile(CreateFileA(NativePath(gamePath).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return f;
}

GameFile GameFile::CreateTruncated(const std::string& gamePath) {
    GameFile f;
    if (InjectFault("create")) return f;
    HANDLE h = CreateFileA(NativePath(gamePath).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    f.handle_ = KeepDiskFile(h);
    return f;
}

bool GameFile::IsOpen() const { return handle_ != nullptr; }

size_t GameFile::Read(void* buffer, size_t count) {
    if (!handle_) return 0;
    if (InjectFault("read")) return 0;
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
    if (!handle_) return 0;
    if (InjectFault("write")) return 0;
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
            SetFileError("nothing could be written");
            break;
        }
        done += put;
    }
    return done;
}

int64_t GameFile::Size() const {
    LARGE_INTEGER size;
    if (!handle_ || !GetFileSizeEx(static_cast<HANDLE>(handle_), &size)) return -1;
    return static_cast<int64_t>(size.QuadPart);
}

bool GameFile::Sync() {
    if (!handle_) return false;
    if (InjectFault("flush")) return false;
    if (FlushFileBuffers(static_cast<HANDLE>(handle_))) return true;
    SetFileErrorFromSystem();
    return false;
}

bool GameFile::Close() {
    if (!handle_) return true;
    bool injected = InjectFault("close");
    bool ok = CloseHandle(static_cast<HANDLE>(handle_)) != 0;
    if (!ok) SetFileErrorFromSystem();
    handle_ = nullptr;
    return ok && !injected;
}

bool ReplaceGameFile(const std::string& from, const std::string& to) {
    if (InjectFault("rename")) return false;
    if (MoveFileExA(NativePath(from).c_str(), NativePath(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    SetFileErrorFromSystem();
    return false;
}

bool RemoveGameFile(const std::string& gamePath) {
    if (InjectFault("remove")) return false;
    if (DeleteFileA(NativePath(gamePath).c_str())) return true;
    SetFileErrorFromSystem();
    return false;
}

// Windows has no flush for a folder; the moves above are written through.
bool SyncGameFolder(const std::string&) { return !InjectFault("folder flush"); }

bool FolderExists(const std::string& gamePath) {
    DWORD a = GetFileAttributesA(NativePath(gamePath).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

int64_t GameFileSize(const std::string& gamePath) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(NativePath(gamePath).c_str(), GetFileExInfoStandard, &d)) return -1;
    return (static_cast<int64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

PathKind GamePathKind(const std::string& gamePath) {
    DWORD a = GetFileAttributesA(NativePath(gamePath).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
    if (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return PathKind::Other;
    return PathKind::Regular;
}

GameFileLock GameFileLock::Acquire(const std::string& gamePath, unsigned waitMs) {
    GameFileLock lock;
    if (InjectFault("lock")) return lock;
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
            SetFileError("held by another copy of the game");
            return lock;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool GameFileLock::Held() const { return handle_ != nullptr; }

void GameFileLock::Release() {
    if (!handle_) return;
    InjectFault("unlock");
    CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

#else

namespace {

// Opens path with flags, only as a regular file. Never waits in open (a
// FIFO without a writer would) and never keeps anything but a regular file.
int OpenRegular(const std::string& path, int flags, bool& notRegular) {
    notRegular = false;
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        SetFileErrorFromSystem();
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        notRegular = true;
        SetFileError("not a regular file");
        return -1;
    }
    int fl = ::fcntl(fd, F_GETFL);
    if (fl >= 0) ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    return fd;
}

}  // namespace

GameFile GameFile::OpenAlways(const std::string& gamePath) {
    GameFile f;
    if (InjectFault("open")) return f;
    const std::string path = NativePath(gamePath);
    bool notRegular = false;
    int fd = OpenRegular(path, O_RDWR | O_CREAT, notRegular);
    if (fd < 0 && !notRegular && (errno == EACCES || errno == EROFS || errno == EPERM || errno == ETXTBSY)) {
        // A read-only file or folder: read what is there, create nothing.
        fd = OpenRegular(path, O_RDONLY, notRegular);
    }
    f.fd_ = fd;
    return f;
}

GameFile GameFile::OpenForReading(const std::string& gamePath) {
    GameFile f;
    if (InjectFault("open")) return f;
    bool notRegular = false;
    f.fd_ = OpenRegular(NativePath(gamePath), O_RDONLY, notRegular);
    return f;
}

GameFile GameFile::CreateTruncated(const std::string& gamePath) {
    GameFile f;
    if (InjectFault("create")) return f;
    bool notRegular = false;
    f.fd_ = OpenRegular(NativePath(gamePath), O_RDWR | O_CREAT | O_TRUNC, notRegular);
    return f;
}

bool GameFile::IsOpen() const { return fd_ >= 0; }

size_t GameFile::Read(void* buffer, size_t count) {
    if (fd_ < 0) return 0;
    if (InjectFault("read")) return 0;
    size_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t got = ::read(fd_, p + done, count - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) SetFileErrorFromSystem();
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

size_t GameFile::Write(const void* buffer, size_t count) {
    if (fd_ < 0) return 0;
    if (InjectFault("write")) return 0;
    size_t done = 0;
    auto* p = static_cast<const char*>(buffer);
    while (done < count) {
        ssize_t put = ::write(fd_, p + done, count - done);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) SetFileErrorFromSystem();
        if (put == 0) SetFileError("nothing could be written");
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

bool GameFile::Sync() {
    if (fd_ < 0) return false;
    if (InjectFault("flush")) return false;
    if (::fsync(fd_) == 0) return true;
    SetFileErrorFromSystem();
    return false;
}

bool GameFile::Close() {
    if (fd_ < 0) return true;
    bool injected = InjectFault("close");
    bool ok = ::close(fd_) == 0;
    if (!ok) SetFileErrorFromSystem();
    fd_ = -1;
    return ok && !injected;
}

bool ReplaceGameFile(const std::string& from, const std::string& to) {
    if (InjectFault("rename")) return false;
    if (::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0) return true;
    SetFileErrorFromSystem();
    return false;
}

bool RemoveGameFile(const std::string& gamePath) {
    if (InjectFault("remove")) return false;
    if (::unlink(NativePath(gamePath).c_str()) == 0) return true;
    SetFileErrorFromSystem();
    return false;
}

bool SyncGameFolder(const std::string& folderGamePath) {
    if (InjectFault("folder flush")) return false;
    int fd = ::open(NativePath(folderGamePath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        SetFileErrorFromSystem();
        return false;
    }
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    // Some file systems cannot flush a folder at all; that is no failure.
    bool ok = rc == 0 || errno == EINVAL || errno == ENOTSUP;
    if (!ok) SetFileErrorFromSystem();
    ::close(fd);
    return ok;
}

bool FolderExists(const std::string& gamePath) {
    struct stat st;
    return ::stat(NativePath(gamePath).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t GameFileSize(const std::string& gamePath) {
    struct stat st;
    if (::stat(NativePath(gamePath).c_str(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

PathKind GamePathKind(const std::string& gamePath) {
    struct stat st;
    if (::lstat(NativePath(gamePath).c_str(), &st) != 0) return PathKind::Missing;
    return S_ISREG(st.st_mode) ? PathKind::Regular : PathKind::Other;
}

GameFileLock GameFileLock::Acquire(const std::string& gamePath, unsigned waitMs) {
    GameFileLock lock;
    if (InjectFault("lock")) return lock;
    lock.path_ = NativePath(gamePath);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        bool notRegular = false;
        int fd = OpenRegular(lock.path_, O_RDWR | O_CREAT | O_NOFOLLOW, notRegular);
        if (fd < 0) return lock;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            int why = errno;
            ::close(fd);
            if (why != EWOULDBLOCK && why != EINTR) {
                errno = why;
                SetFileErrorFromSystem();
                return lock;
            }
            lock.busy_ = true;
            if (std::chrono::steady_clock::now() >= until) {
                SetFileError("held by another copy of the game");
                return lock;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        // The holder before us removes the file as it lets go; a lock on a
        // file no longer under the name is no lock: try again.
        struct stat held, named;
        if (::fstat(fd, &held) == 0 && ::stat(lock.path_.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            lock.fd_ = fd;
            lock.busy_ = false;
            return lock;
        }
        ::close(fd);
    }
}

bool GameFileLock::Held() const { return fd_ >= 0; }

void GameFileLock::Release() {
    if (fd_ < 0) return;
    InjectFault("unlock");
    ::unlink(path_.c_str());  // while still held, so nobody locks the old file
    ::close(fd_);
    fd_ = -1;
}

#endif

}  // namespace delver
