#include "platform/gl_driver.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#include <link.h>

#include <cstring>
#endif

namespace delver {

#if !defined(_WIN32) && defined(RTLD_NODELETE) && defined(RTLD_NOLOAD)

namespace {

// Mesa's driver and what it loads for itself: the DRI driver or gallium
// library, the EGL and GLX vendor libraries and LLVM (llvmpipe's compiler).
bool IsGlDriver(const char* path) {
    static const char* const kParts[] = {"_dri.so", "libgallium", "libEGL_mesa", "libGLX_mesa", "libLLVM"};
    for (const char* part : kParts)
        if (std::strstr(path, part)) return true;
    return false;
}

int Pin(struct dl_phdr_info* info, size_t, void*) {
    const char* path = info->dlpi_name;
    if (!path || !*path || !IsGlDriver(path)) return 0;
    // Already loaded: this only marks it never to be unloaded. The handle
    // is kept open on purpose.
    (void)dlopen(path, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}

}  // namespace

void KeepGlDriverLoaded() { dl_iterate_phdr(Pin, nullptr); }

#else

void KeepGlDriverLoaded() {}

#endif

}  // namespace delver
