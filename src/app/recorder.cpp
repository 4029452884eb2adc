#include "app/recorder.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "app/input_script.h"
#include "app/options.h"
#include "platform/files.h"
#include "platform/input.h"
#include "settings/input_names.h"

namespace delver {

RecordingFile OpenRecordingFile(const std::string& path, std::string& error) {
    // Binary, so that a recording made on Windows has the same bytes; a
    // regular file only, so that a FIFO named here cannot hold the start.
    RecordingFile f(OpenRegularStream(path, true));
    if (!f) error = "cannot write the recording " + Quoted(path) + ": " + LastFileError();
    return f;
}

RecordingPlatform::RecordingPlatform(Platform& inner, RecordingFile file, int framebufferWidth, int framebufferHeight)
    : ForwardingPlatform(inner), file_(std::move(file)), fbWidth_(framebufferWidth), fbHeight_(framebufferHeight) {
    frameKeys_.fill(-1);
}

void RecordingPlatform::Write(const std::string& text) {
    if (!file_ || !healthy_) return;
    if (std::fwrite(text.data(), 1, text.size(), file_.get()) != text.size() || std::fflush(file_.get()) != 0)
        healthy_ = false;
}

void RecordingPlatform::WriteHeader(const std::string& version, uint32_t seed, int viewDistance,
                                    const std::vector<std::pair<std::string, std::string>>& playSettings) {
    const std::string s = std::to_string(seed);
    std::string header = "# delver " + version + " recording\n# seed " + s + "\n# view distance " +
                         std::to_string(viewDistance) + "\n# replay: delver --headless --seed " + s + " --input FILE\n";
    for (const auto& [name, value] : playSettings) header += "setting " + name + " = " + value + "\n";
    Write(header);
}

void RecordingPlatform::BeginFrame(int64_t frame) {
    jumped_ = begun_ && frame != frame_ + 1;
    begun_ = true;
    frame_ = frame;
    frameKeys_.fill(-1);
    frameCursorRead_ = false;
    frameMessages_.clear();
    frameLook_ = {};
}

void RecordingPlatform::EndFrame() {
    const std::string at = std::to_string(frame_) + " ";
    std::string lines;
    if (jumped_) lines += at + "jump\n";
    if (frameCursorRead_ && (!cursorWritten_ || frameMouseX_ != writtenMouseX_ || frameMouseY_ != writtenMouseY_)) {
        lines += at + "mouse " + std::to_string(frameMouseX_) + " " + std::to_string(frameMouseY_) + "\n";
        cursorWritten_ = true;
        writtenMouseX_ = frameMouseX_;
        writtenMouseY_ = frameMouseY_;
    }
    // Keys the game did not read this frame keep what the script says:
    // nothing read them, so nothing can tell.
    for (size_t k = 0; k < frameKeys_.size(); ++k) {
        if (frameKeys_[k] < 0 || (frameKeys_[k] == 1) == scriptKeys_[k]) continue;
        scriptKeys_[k] = frameKeys_[k] == 1;
        lines += at + (scriptKeys_[k] ? "down " : "up ") + InputName(static_cast<int>(k)) + "\n";
    }
    for (const std::string& m : frameMessages_) lines += at + m + "\n";
    if (frameLook_.x != 0 || frameLook_.y != 0)
        lines += at + "look " + std::to_string(frameLook_.x) + " " + std::to_string(frameLook_.y) + "\n";
    if (!lines.empty()) Write(lines);
}

void RecordingPlatform::Finish(int64_t framesRun, bool endedByFrameLimit) {
    std::string line = "# ended after " + std::to_string(framesRun) + " frames";
    if (endedByFrameLimit) line += " (the frame limit: replay with --frames " + std::to_string(framesRun) + ")";
    Write(line + "\n");
}

bool RecordingPlatform::IsKeyHeld(int vk) {
    if (vk < 0 || vk >= static_cast<int>(frameKeys_.size())) return inner_.IsKeyHeld(vk);
    int8_t& seen = frameKeys_[static_cast<size_t>(vk)];
    if (seen < 0) seen = inner_.IsKeyHeld(vk) ? 1 : 0;
    return seen == 1;
}

ScreenPoint RecordingPlatform::CursorPos() {
    if (!frameCursorRead_) {
        frameCursor_ = inner_.CursorPos();
        const ScreenRect r = inner_.WindowRect();
        frameMouseX_ = MouseXFrom(frameCursor_, r, fbWidth_);
        frameMouseY_ = MouseYFrom(frameCursor_, r, fbHeight_);
        frameCursorRead_ = true;
    }
    return frameCursor_;
}

MessageKind RecordingPlatform::PollMessage() {
    MessageKind m = inner_.PollMessage();
    switch (m) {
    case MessageKind::Close: frameMessages_.push_back("close"); break;
    case MessageKind::LeftButtonDown: frameMessages_.push_back("click left"); break;
    case MessageKind::RightButtonDown: frameMessages_.push_back("click right"); break;
    case MessageKind::None:
    case MessageKind::Other: break;
    }
    return m;
}

ScreenPoint RecordingPlatform::TakeLookMotion() {
    const ScreenPoint m = inner_.TakeLookMotion();
    frameLook_.x += m.x;
    frameLook_.y += m.y;
    return m;
}

}  // namespace delver
