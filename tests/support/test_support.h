// Helpers shared by the tests: a scratch folder, file access and a real
// offscreen OpenGL context.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace delver::testing {

// A fresh empty folder under the system's temp folder, removed with the object.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::filesystem::path& path() const { return path_; }
    // Makes it the working directory for the object's life.
    void Enter();

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
    bool entered_ = false;
};

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// A headless platform with a real offscreen OpenGL context (Mesa), a window
// of width x height pixels, scripted keys and a virtual clock.
std::unique_ptr<Platform> MakeHeadlessPlatform();

// Runs a command line, returns its exit status; stdout and stderr are
// captured into the strings given.
int RunCommand(const std::string& commandLine, std::string* out, std::string* err);

// One run of the real delver binary in game folder dir.
struct RunResult {
    int status = -1;
    std::string out, err;
};
RunResult RunDelver(const std::filesystem::path& dir, const std::string& args);

// A file's whole text ("" when it cannot be read).
std::string ReadText(const std::filesystem::path& path);

}  // namespace delver::testing
