// One physical press is one press to the game: how a windowed backend's key
// events become what each frame sees.
#include <gtest/gtest.h>

#include "platform/key_presses.h"

namespace delver {
namespace {

constexpr int A = 4, B = 5, Bracket = 48, F5 = 62, LShift = 225, RShift = 229;

KeyPresses Keys() {
    KeyPresses k;
    k.SetModifiers(LShift, RShift);
    return k;
}

void Tap(KeyPresses& k, int sc) {
    k.Pressed(sc);
    k.Released(sc);
}

TEST(KeyPresses, APressIsSeenByTheFramesItIsHeldAndAShortOneByExactlyOne) {
    KeyPresses k = Keys();
    // A long press: held from the frame after its key-down until the frame
    // after its key-up; never again after that.
    k.Pressed(F5);
    EXPECT_FALSE(k.Held(F5));  // the frame that is running has already read
    k.NextFrame();
    EXPECT_TRUE(k.Held(F5));
    k.NextFrame();
    EXPECT_TRUE(k.Held(F5));
    k.Released(F5);
    k.NextFrame();
    EXPECT_FALSE(k.Held(F5));
    k.Pressed(F5);  // a key-down after a key-down is the same press
    k.Pressed(F5);
    k.Released(F5);
    k.NextFrame();
    EXPECT_TRUE(k.Held(F5));
    k.NextFrame();
    EXPECT_FALSE(k.Held(F5));

    // Ten taps between two frames: ten frames see one each.
    for (int i = 0; i < 10; ++i) Tap(k, Bracket);
    int seen = 0;
    for (int frame = 0; frame < 20; ++frame) {
        k.NextFrame();
        seen += (k.Held(Bracket) && k.Held(Bracket)) ? 1 : 0;  // every read of a frame agrees
    }
    EXPECT_EQ(seen, 10);

    // A tap, then the same key pressed again and held.
    Tap(k, A);
    k.Pressed(A);
    k.NextFrame();
    EXPECT_TRUE(k.Held(A));
    k.NextFrame();
    EXPECT_TRUE(k.Held(A));
    k.Released(A);
    k.NextFrame();
    EXPECT_FALSE(k.Held(A));
}

TEST(KeyPresses, FastTypingKeepsItsOrderAndShiftComesWithTheNextKey) {
    KeyPresses k = Keys();
    // "ba" then a capital B, all typed within one frame.
    Tap(k, B);
    Tap(k, A);
    k.Pressed(LShift);
    Tap(k, B);
    k.Released(LShift);
    k.NextFrame();
    EXPECT_TRUE(k.Held(B));
    EXPECT_FALSE(k.Held(A));
    k.NextFrame();
    EXPECT_TRUE(k.Held(A));
    EXPECT_FALSE(k.Held(B));
    k.NextFrame();
    EXPECT_TRUE(k.Held(LShift));
    EXPECT_TRUE(k.Held(B));
    k.NextFrame();
    EXPECT_FALSE(k.Held(LShift));
    EXPECT_FALSE(k.Held(B));

    // A key held down behind a waiting press starts in its turn.
    Tap(k, A);
    k.Pressed(B);
    k.NextFrame();
    EXPECT_TRUE(k.Held(A));
    EXPECT_FALSE(k.Held(B));
    k.NextFrame();
    EXPECT_TRUE(k.Held(B));
    EXPECT_FALSE(k.Held(A));
    k.NextFrame();
    EXPECT_TRUE(k.Held(B));
}

TEST(KeyPresses, AFloodKeepsTheNewestPressesAndForeignCodesAreIgnored) {
    KeyPresses k = Keys();
    k.Pressed(-3);
    k.Released(KeyPresses::Scancodes);
    EXPECT_FALSE(k.Held(-3));
    EXPECT_FALSE(k.Held(KeyPresses::Scancodes));
    Tap(k, A);
    for (size_t i = 0; i < KeyPresses::MaxWaiting; ++i) Tap(k, B);
    k.NextFrame();
    EXPECT_FALSE(k.Held(A));  // the oldest made way
    EXPECT_TRUE(k.Held(B));
}

}  // namespace
}  // namespace delver
