#include "app/scripted_platform.h"

#include <utility>

#include "platform/input.h"

namespace delver {

ScriptedPlatform::ScriptedPlatform(Platform& inner, InputScript script, int framebufferWidth, int framebufferHeight)
    : ForwardingPlatform(inner), script_(std::move(script)), fbWidth_(framebufferWidth), fbHeight_(framebufferHeight) {}

void ScriptedPlatform::BeginFrame(int64_t frame) {
    for (int key : tapped_) held_[static_cast<size_t>(key)] = false;
    tapped_.clear();
    // A loaded save can move the frame counter back; events already applied
    // stay applied and the script simply waits for its next frame, unless a
    // jump line says where the counter goes.
    bool jumped = begun_ && frame != lastFrame_ + 1;
    begun_ = true;
    lastFrame_ = frame;
    while (next_ < script_.events.size()) {
        const ScriptEvent& e = script_.events[next_];
        if (e.kind == ScriptEvent::Kind::Jump) {
            // One jump line stands for one jump, to exactly its frame.
            if (!jumped || e.frame != frame) break;
            jumped = false;
            ++next_;
            continue;
        }
        if (e.frame > frame) break;
        ++next_;
        switch (e.kind) {
        case ScriptEvent::Kind::Down: held_[static_cast<size_t>(e.key)] = true; break;
        case ScriptEvent::Kind::Up: held_[static_cast<size_t>(e.key)] = false; break;
        case ScriptEvent::Kind::Tap:
            held_[static_cast<size_t>(e.key)] = true;
            tapped_.push_back(e.key);
            break;
        case ScriptEvent::Kind::Mouse:
            hasCursor_ = true;
            cursorX_ = e.x;
            cursorY_ = e.y;
            break;
        case ScriptEvent::Kind::Click:
            messages_.push_back(e.right ? MessageKind::RightButtonDown : MessageKind::LeftButtonDown);
            break;
        case ScriptEvent::Kind::Close: messages_.push_back(MessageKind::Close); break;
        case ScriptEvent::Kind::Look:
            look_.x += e.x;
            look_.y += e.y;
            break;
        case ScriptEvent::Kind::Jump: break;
        }
    }
}

MessageKind ScriptedPlatform::PollMessage() {
    if (!messages_.empty()) {
        MessageKind m = messages_.front();
        messages_.pop_front();
        return m;
    }
    return inner_.PollMessage();
}

bool ScriptedPlatform::IsKeyHeld(int vk) {
    bool scripted = vk >= 0 && vk < 256 && held_[static_cast<size_t>(vk)];
    return scripted || inner_.IsKeyHeld(vk);
}

ScreenPoint ScriptedPlatform::CursorPos() {
    if (!hasCursor_) return inner_.CursorPos();
    // Find the screen point over the scripted framebuffer pixel in the
    // window as it stands now, so that MouseX/MouseY read it back exactly.
    ScreenRect r = inner_.WindowRect();
    int spanX = r.right - r.left, spanY = r.bottom - r.top;
    ScreenPoint p{r.left, r.bottom};
    if (spanX > 0) {
        int zoom = spanX / fbWidth_ > 0 ? spanX / fbWidth_ : 1;
        for (int offset = cursorX_ * zoom; offset <= (cursorX_ + 1) * zoom + 1; ++offset) {
            p.x = r.left + offset;
            if (MouseXFrom(p, r, fbWidth_) == cursorX_) break;
        }
    }
    if (spanY > 0) {
        int zoom = spanY / fbHeight_ > 0 ? spanY / fbHeight_ : 1;
        for (int offset = cursorY_ * zoom; offset <= (cursorY_ + 1) * zoom + 1; ++offset) {
            p.y = r.bottom - offset;
            if (MouseYFrom(p, r, fbHeight_) == cursorY_) break;
        }
    }
    return p;
}

ScreenPoint ScriptedPlatform::TakeLookMotion() {
    ScreenPoint m = inner_.TakeLookMotion();
    m.x += look_.x;
    m.y += look_.y;
    look_ = {};
    return m;
}

void ScriptedPlatform::Sleep(unsigned ms) {
    slept_ += ms;
    inner_.Sleep(ms);
}

}  // namespace delver
