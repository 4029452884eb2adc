#include "support/test_support.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>

#include "platform/headless/headless_platform.h"

namespace delver::testing {

ScratchDir::ScratchDir() {
    std::random_device rd;
    for (;;) {
        auto candidate = std::filesystem::temp_directory_path() / ("delver-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            break;
        }
    }
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    if (entered_) std::filesystem::current_path(previous_, ec);
    std::filesystem::remove_all(path_, ec);
}

void ScratchDir::Enter() {
    if (!entered_) previous_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
    entered_ = true;
}

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::unique_ptr<Platform> MakeHeadlessPlatform() { return std::make_unique<HeadlessPlatform>(); }

namespace {
std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
}  // namespace

int RunCommand(const std::string& commandLine, std::string* out, std::string* err) {
    ScratchDir capture;
    std::string outPath = (capture.path() / "out").string();
    std::string errPath = (capture.path() / "err").string();
    std::string full = commandLine + " >'" + outPath + "' 2>'" + errPath + "' </dev/null";
    int status = std::system(full.c_str());
    if (out) *out = Slurp(outPath);
    if (err) *err = Slurp(errPath);
    if (status == -1) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

RunResult RunDelver(const std::filesystem::path& dir, const std::string& args) {
    RunResult r;
    r.status = RunCommand(std::string("'") + DELVER_BINARY + "' -C '" + dir.string() + "' " + args, &r.out, &r.err);
    return r;
}

std::string ReadText(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = ReadWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace delver::testing
