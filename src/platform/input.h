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
inline constexpr int F10 = 121, F11 = 122, F12 = 123;  // F12: the last of the twelve function keys
inline constexpr int LeftBracket = 219, RightBracket = 221;
}  // namespace vk

// Codes of the inputs that are not keyboard keys. The mouse buttons are the
// Windows ones; the wheel takes two codes Windows leaves unassigned, and
// the controller the Windows gamepad codes. A wheel notch reads as its
// input held for one frame; a stick pushed past half way as its direction
// held.
namespace input {
inline constexpr int Mouse1 = 1, Mouse2 = 2, Mouse3 = 4, Mouse4 = 5, Mouse5 = 6;
inline constexpr int WheelUp = 14, WheelDown = 15;
inline constexpr int Alt = 18, Left = 37, Up = 38, Right = 39, Down = 40, Delete = 46;
inline constexpr int PadA = 195, PadB = 196, PadX = 197, PadY = 198;
inline constexpr int PadRightShoulder = 199, PadLeftShoulder = 200, PadLeftTrigger = 201, PadRightTrigger = 202;
inline constexpr int PadUp = 203, PadDown = 204, PadLeft = 205, PadRight = 206;
inline constexpr int PadStart = 207, PadBack = 208;
inline constexpr int PadLeftStickUp = 211, PadLeftStickDown = 212, PadLeftStickRight = 213, PadLeftStickLeft = 214;
}  // namespace input

// A game controller, as every windowed backend reads one: a trigger or a
// left-stick direction counts as held past half way and as let go again
// below a quarter (so an axis resting near half does not chatter); the
// right stick turns the view beyond a dead zone, in proportion up to
// stick::LookPerFrame counts a frame at full deflection.
namespace stick {
inline constexpr int Press = 16384, Release = 8192, DeadZone = 8000;
inline constexpr int LookPerFrame = 40;
}  // namespace stick
// The look counts one frame of a right-stick axis (-32768..32767) gives,
// fractions included.
double StickLookCounts(int axis);
// Adds one frame's counts to the fraction carried over in rest and takes
// out the whole counts; a stick at rest carries nothing.
int WholeLookCounts(double counts, double& rest);

// The game's picture in a drawable of drawableWidth x drawableHeight that
// fills the screen: enlarged by the largest whole factor that fits
// (wholeScale; at least 1) or as large as fits with its shape kept, and
// centred.
PicturePlace PlacePicture(int drawableWidth, int drawableHeight, int pictureWidth, int pictureHeight, bool wholeScale);
// The screen rectangle the placed picture covers, for a window whose
// drawing area is w x h at screen point (x, y).
ScreenRect PictureRect(const PicturePlace& place, int pictureWidth, int pictureHeight, int x, int y, int w, int h);

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
