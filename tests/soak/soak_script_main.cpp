// delver_soak_script: writes the soak's random input script.
//
//   delver_soak_script [--seed N] [--frames N] [--max-view-distance N] [-o FILE]
//
// Without -o the script goes to stdout. Play it with
//   delver --headless --frames N --input FILE --report
// using the same N.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "soak/soak_script.h"

namespace {

bool Number(const char* text, long long lo, long long hi, long long& out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
    out = v;
    return true;
}

int Usage() {
    std::fprintf(stderr, "usage: delver_soak_script [--seed N] [--frames N] [--max-view-distance N] [-o FILE]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    delver::soak::SoakOptions o;
    const char* outPath = nullptr;
    for (int i = 1; i < argc; i += 2) {
        const char* a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        long long n = 0;
        if (std::strcmp(a, "--seed") == 0 && Number(v, 0, 4294967295LL, n)) {
            o.seed = static_cast<uint32_t>(n);
        } else if (std::strcmp(a, "--frames") == 0 && Number(v, 1, 2147483647LL, n)) {
            o.frames = n;
        } else if (std::strcmp(a, "--max-view-distance") == 0 && Number(v, 1, 30, n)) {
            o.maxViewDistance = static_cast<int>(n);
        } else if (std::strcmp(a, "-o") == 0 && v) {
            outPath = v;
        } else {
            return Usage();
        }
    }
    const std::string text = delver::soak::MakeSoakScript(o);
    FILE* out = outPath ? std::fopen(outPath, "wb") : stdout;
    if (!out) {
        std::fprintf(stderr, "delver_soak_script: cannot write '%s'\n", outPath);
        return 1;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (outPath ? std::fclose(out) != 0 : std::fflush(out) != 0) return 1;
    return ok ? 0 : 1;
}
