// Reading what was drawn into the software framebuffer, for the 2D tests.
#pragma once

#include <set>
#include <utility>

#include "gfx2d/frame.h"

namespace delver::testing {

using Pixels = std::set<std::pair<int, int>>;

// Every drawn pixel of the framebuffer (drawn pixels have alpha 255).
inline Pixels Lit(const FrameState& f) {
    Pixels lit;
    for (int y = 0; y < f.Height; ++y)
        for (int x = 0; x < f.Width; ++x)
            if (f.FrameBuffer[(static_cast<size_t>(y) * f.Width + x) * 4 + 3]) lit.insert({x, y});
    return lit;
}

// A cleared 320 x 240 framebuffer.
inline FrameState Fresh() {
    FrameState f;
    SetFramebufferSize(f, 320, 240);
    return f;
}

}  // namespace delver::testing
