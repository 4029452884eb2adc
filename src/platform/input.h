// Polled keyboard state and the cursor in framebuffer pixels.
#pragma once

#include "platform/platform.h"

namespace delver {

// Windows virtual-key codes the game reads.
namespace vk {
inline constexpr int Backspace = 8, Tab = 9, Enter = 13, Shift = 16, Escape = 27, Space = 32;
inline constexpr int Digit0 = 48, Digit1 = 49, Digit9 = 57, LetterA = 65, LetterM = 77, LetterZ = 90;
inline constexpr int PageUp = 33, PageDown = 34;
inline constexpr int KeypadPlus = 107, KeypadMinus = 109;
inline constexpr int F1 = 112, F2 = 113, F3 = 114, F4 = 115, F5 = 116, F6 = 117, F7 = 118, F8 = 119;
inline constexpr int F12 = 123;  // the last of the twelve function keys
inline constexpr int LeftBracket = 219, RightBracket = 221;
}  // namespace vk

// 1 when the key is held down at this moment, else 0.
int KeyDown(Input& input, int virtualKey);

// The cursor's column in framebuffer pixels, 0 .. width - 1. A window
// rectangle without horizontal extent gives 0.
int MouseX(Input& input, int framebufferWidth);

// The cursor's row in framebuffer pixels counted up from the window's
// bottom edge, 0 .. height - 1. A rectangle without vertical extent gives 0.
int MouseY(Input& input, int framebufferHeight);

// The same arithmetic on explicit values, for callers and tests that
// already hold them.
int MouseXFrom(ScreenPoint cursor, ScreenRect rect, int framebufferWidth);
int MouseYFrom(ScreenPoint cursor, ScreenRect rect, int framebufferHeight);

}  // namespace delver
