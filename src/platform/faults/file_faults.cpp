// The test builds' file hook (see platform/file_faults.h).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <csignal>
#endif

#include "platform/file_faults.h"
#include "platform/files.h"

namespace delver {

namespace {

struct FaultHook {
    enum Mode { None, Kill, Fail, Trace } mode = None;
    long at = -1;
    long count = 0;
    const char* failed = nullptr;
};
FaultHook g_fault;
std::function<void(const FileOpEvent&)> g_observer;
std::function<bool(const char*)> g_policy;

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

void SetFileOpObserver(std::function<void(const FileOpEvent&)> observer) { g_observer = std::move(observer); }

void SetFileFaultPolicy(std::function<bool(const char*)> fail) { g_policy = std::move(fail); }

namespace file_hook {

bool Before(const char* operation) {
    if (g_policy && g_policy(operation)) {
        SetLastFileError("injected I/O error");
        return true;
    }
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
    SetLastFileError("injected I/O error");
    return true;
}

void After(const FileOpEvent& event) {
    if (g_observer) g_observer(event);
}

}  // namespace file_hook

}  // namespace delver
