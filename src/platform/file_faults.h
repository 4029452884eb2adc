// Watching and breaking the game's file operations, for the crash and
// power-loss tests. Only test builds carry it: the test programs and the
// game built for the crash tests link the working hook
// (platform/faults/file_faults.cpp); the released program links an empty
// one (platform/faults/no_file_faults.cpp) and contains none of it.
//
// Every operation of the file helpers (open, create, read, write, flush,
// close, rename, remove, folder flush, lock, unlock) is counted from the last
// call of StartFileOpCount(), which each save makes. When the environment
// variable DELVER_FILE_FAULT is "kill:N", the process ends at once, as if
// killed, when it is about to make operation N (counting from 0); with
// "fail:N" that one operation fails with an I/O error instead; "trace"
// prints each operation's number and kind on stderr. Unset, the count
// changes nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace delver {

void StartFileOpCount();
// The kind of operation ("write", "flush", "rename", ...) that "fail:N"
// made fail since the last StartFileOpCount(), or nullptr.
const char* InjectedFileFault();

// An operation that changed the disk, as a test watching it sees it: what a
// power cut could keep or lose.
struct FileOpEvent {
    enum class Kind { Create, Write, Flush, Rename, Remove, FolderFlush };
    FileOpEvent(Kind k, std::string p, std::string t = {}, const uint8_t* b = nullptr, size_t n = 0)
        : kind(k), path(std::move(p)), to(std::move(t)), bytes(b), size(n) {}
    Kind kind;
    std::string path;      // the native path; the folder for FolderFlush
    std::string to;        // where Rename moved it
    const uint8_t* bytes;  // what Write wrote, at the end of the file
    size_t size;
};
// Hears every such operation after it took effect (nobody when empty).
void SetFileOpObserver(std::function<void(const FileOpEvent&)> observer);
// Asked before every operation, by its kind ("rename", ...): true makes it
// fail with an I/O error (nobody asked when empty), as a failing disk would.
void SetFileFaultPolicy(std::function<bool(const char* operation)> fail);

// The file helpers' side of the hook.
namespace file_hook {
// Before each operation: true when it must fail (the error is set then).
bool Before(const char* operation);
// After an operation that changed the disk.
void After(const FileOpEvent& event);
}  // namespace file_hook

}  // namespace delver
