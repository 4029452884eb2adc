// The file helpers on POSIX systems.
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "platform/file_faults.h"
#include "platform/files.h"

namespace delver {

namespace {

void SetFileErrorFromSystem() { SetLastFileError(std::strerror(errno)); }

using Kind = FileOpEvent::Kind;

// Opens path with flags, only as a regular file. Never waits in open (a
// FIFO without a writer would) and never keeps anything but a regular file.
int OpenRegular(const std::string& path, int flags, bool& notRegular) {
    notRegular = false;
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        // O_NOFOLLOW meeting a link says ELOOP: it is no regular file.
        notRegular = errno == ELOOP;
        if (notRegular)
            SetLastFileError("a link, not a regular file");
        else
            SetFileErrorFromSystem();
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        notRegular = true;
        SetLastFileError("not a regular file");
        return -1;
    }
    int fl = ::fcntl(fd, F_GETFL);
    if (fl >= 0) ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    return fd;
}

}  // namespace

GameFile GameFile::OpenAlways(const std::string& gamePath) {
    GameFile f;
    if (file_hook::Before("open")) return f;
    f.path_ = NativePath(gamePath);
    bool notRegular = false;
    int fd = OpenRegular(f.path_, O_RDWR | O_CREAT, notRegular);
    if (fd < 0 && !notRegular && (errno == EACCES || errno == EROFS || errno == EPERM || errno == ETXTBSY)) {
        // A read-only file or folder: read what is there, create nothing.
        fd = OpenRegular(f.path_, O_RDONLY, notRegular);
    }
    f.handle_ = fd;
    return f;
}

GameFile GameFile::OpenForReading(const std::string& gamePath) {
    GameFile f;
    if (file_hook::Before("open")) return f;
    f.path_ = NativePath(gamePath);
    bool notRegular = false;
    f.handle_ = OpenRegular(f.path_, O_RDONLY | O_NOFOLLOW, notRegular);
    return f;
}

GameFile GameFile::CreateNew(const std::string& gamePath) {
    GameFile f;
    if (file_hook::Before("create")) return f;
    f.path_ = NativePath(gamePath);
    struct stat st;
    if (::lstat(f.path_.c_str(), &st) == 0) {
        if (::unlink(f.path_.c_str()) != 0) {
            SetFileErrorFromSystem();
            return f;
        }
        file_hook::After({Kind::Remove, f.path_});
    }
    bool notRegular = false;
    f.handle_ = OpenRegular(f.path_, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, notRegular);
    if (f.IsOpen()) file_hook::After({Kind::Create, f.path_});
    return f;
}

size_t GameFile::Read(void* buffer, size_t count) {
    if (!IsOpen()) return 0;
    if (file_hook::Before("read")) return 0;
    size_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t got = ::read(handle_, p + done, count - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) SetFileErrorFromSystem();
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

size_t GameFile::Write(const void* buffer, size_t count) {
    if (!IsOpen()) return 0;
    if (file_hook::Before("write")) return 0;
    size_t done = 0;
    auto* p = static_cast<const char*>(buffer);
    while (done < count) {
        ssize_t put = ::write(handle_, p + done, count - done);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) SetFileErrorFromSystem();
        if (put == 0) SetLastFileError("nothing could be written");
        if (put <= 0) break;
        done += static_cast<size_t>(put);
    }
    if (done > 0) file_hook::After({Kind::Write, path_, {}, static_cast<const uint8_t*>(buffer), done});
    return done;
}

int64_t GameFile::Size() const {
    struct stat st;
    if (!IsOpen() || ::fstat(handle_, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool GameFile::Sync() {
    if (!IsOpen()) return false;
    if (file_hook::Before("flush")) return false;
    if (::fsync(handle_) == 0) {
        file_hook::After({Kind::Flush, path_});
        return true;
    }
    SetFileErrorFromSystem();
    return false;
}

bool GameFile::Close() {
    if (!IsOpen()) return true;
    bool injected = file_hook::Before("close");
    bool ok = ::close(handle_) == 0;
    if (!ok) SetFileErrorFromSystem();
    handle_ = NoFileHandle;
    return ok && !injected;
}

bool ReplaceGameFile(const std::string& from, const std::string& to) {
    if (file_hook::Before("rename")) return false;
    const std::string a = NativePath(from), b = NativePath(to);
    if (::rename(a.c_str(), b.c_str()) == 0) {
        file_hook::After({Kind::Rename, a, b});
        return true;
    }
    SetFileErrorFromSystem();
    return false;
}

bool RemoveGameFile(const std::string& gamePath) {
    if (file_hook::Before("remove")) return false;
    const std::string path = NativePath(gamePath);
    if (::unlink(path.c_str()) == 0) {
        file_hook::After({Kind::Remove, path});
        return true;
    }
    SetFileErrorFromSystem();
    return false;
}

bool SyncGameFolder(const std::string& folderGamePath) {
    if (file_hook::Before("folder flush")) return false;
    const std::string path = NativePath(folderGamePath);
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
    if (ok) file_hook::After({Kind::FolderFlush, path});
    return ok;
}

std::FILE* OpenRegularStream(const std::string& nativePath, bool forWriting) {
    bool notRegular = false;
    const int fd = OpenRegular(nativePath, forWriting ? O_WRONLY | O_CREAT : O_RDONLY, notRegular);
    if (fd < 0) return nullptr;
    if (forWriting && ::ftruncate(fd, 0) != 0) {
        SetFileErrorFromSystem();
        ::close(fd);
        return nullptr;
    }
    std::FILE* f = ::fdopen(fd, forWriting ? "wb" : "rb");
    if (!f) {
        SetFileErrorFromSystem();
        ::close(fd);
    }
    return f;
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

bool GameFileWritable(const std::string& gamePath) {
    struct stat st;
    if (::lstat(NativePath(gamePath).c_str(), &st) != 0) return true;
    // The owner's write bit, not access(): a player who took it away meant
    // it, even where the system would let us write anyway. Anything but a
    // regular file is no game and is replaced.
    return !S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR) != 0;
}

PathKind GamePathKind(const std::string& gamePath) {
    struct stat st;
    if (::lstat(NativePath(gamePath).c_str(), &st) != 0) return PathKind::Missing;
    return S_ISREG(st.st_mode) ? PathKind::Regular : PathKind::Other;
}

GameFileLock GameFileLock::Acquire(const std::string& gamePath, unsigned waitMs) {
    GameFileLock lock;
    if (file_hook::Before("lock")) return lock;
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
                SetLastFileError("held by another copy of the game");
                return lock;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        // The holder before us removes the file as it lets go; a lock on a
        // file no longer under the name is no lock: try again.
        struct stat held, named;
        if (::fstat(fd, &held) == 0 && ::lstat(lock.path_.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            lock.handle_ = fd;
            lock.busy_ = false;
            return lock;
        }
        ::close(fd);
    }
}

void GameFileLock::Release() {
    if (!Held()) return;
    file_hook::Before("unlock");
    ::unlink(path_.c_str());  // while still held, so nobody locks the old file
    ::close(handle_);
    handle_ = NoFileHandle;
}

}  // namespace delver
