// Recording a game as an input script: a layer over the platform that
// writes down what the game saw, frame by frame, so that the headless
// backend can play the same game again.
//
// While recording, the game reads each key and the cursor once per frame:
// the first read of a key (or of the cursor) in a frame asks the machine,
// later reads in the same frame get the same answer. A script holds one
// state per key and one cursor per frame, so this is what makes every
// recorded frame replay exactly, even when a pause inside the frame (a
// typed console character, a save) lets a real key change between reads.
//
// What is written, each at the frame (FrameCounter) where the game took it:
//   - a key's down or up whenever what the game read changes;
//   - the cursor, in framebuffer pixels, whenever it changes;
//   - every click and close request the game drained from its messages;
//   - the view's turn by the held pointer or a stick, as a look line;
//   - a jump line whenever a load moved the frame counter.
// The file starts with comment lines naming the build, seed and view
// distance, then a setting line for each setting that changes play, and is flushed after every frame, so that a crash or a kill
// keeps everything up to the last whole frame.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/forwarding_platform.h"

namespace delver {

// An open recording file, closed when its owner lets it go.
struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using RecordingFile = std::unique_ptr<std::FILE, CloseFile>;

// Creates (or empties) the file a recording goes to, before the game
// starts. Null, with a one-line reason, when it cannot be written.
RecordingFile OpenRecordingFile(const std::string& path, std::string& error);

class RecordingPlatform : public ForwardingPlatform {
public:
    // Records into file, which it closes when done.
    RecordingPlatform(Platform& inner, RecordingFile file, int framebufferWidth, int framebufferHeight);
    RecordingPlatform(const RecordingPlatform&) = delete;
    RecordingPlatform& operator=(const RecordingPlatform&) = delete;

    // The comment lines at the top, once the world's seed is known.
    void WriteHeader(const std::string& version, uint32_t seed, int viewDistance,
                     const std::vector<std::pair<std::string, std::string>>& playSettings);
    // Called at the top of each frame with the frame loop's FrameCounter.
    void BeginFrame(int64_t frame);
    // Writes what the game saw in the frame just run, and flushes.
    void EndFrame();
    // A closing comment with the number of frames played.
    void Finish(int64_t framesRun, bool endedByFrameLimit);
    // False once a write to the file has failed.
    bool Healthy() const { return healthy_; }

    MessageKind PollMessage() override;
    bool IsKeyHeld(int vk) override;
    ScreenPoint CursorPos() override;
    ScreenPoint TakeLookMotion() override;

private:
    void Write(const std::string& text);

    RecordingFile file_;
    int fbWidth_, fbHeight_;
    bool healthy_ = true;

    int64_t frame_ = 0;
    bool begun_ = false;
    bool jumped_ = false;
    // This frame's answers: -1 not read yet, else 0 or 1.
    std::array<int8_t, 256> frameKeys_{};
    // What the script says so far (what a replay would hold).
    std::array<bool, 256> scriptKeys_{};
    bool frameCursorRead_ = false;
    ScreenPoint frameCursor_;
    int frameMouseX_ = 0, frameMouseY_ = 0;
    bool cursorWritten_ = false;
    int writtenMouseX_ = 0, writtenMouseY_ = 0;
    std::vector<std::string> frameMessages_;
    ScreenPoint frameLook_;  // the look motion taken this frame  // in the order the game took them
};

}  // namespace delver
