// SDL keys to virtual-key codes: the codes keyDown is indexed by.
#include <gtest/gtest.h>

#include <SDL.h>

#include "app/keyMap.h"

namespace {

struct KeyCase {
    SDL_Keycode sdlKey;
    int virtualKey;
};

TEST(KeyMap, KnownKeysGetTheirWin32Codes)
{
    const KeyCase cases[] = {
        {SDLK_ESCAPE, 27}, {SDLK_a, 'A'},    {SDLK_z, 'Z'},      {SDLK_m, 'M'},     {SDLK_0, '0'},
        {SDLK_9, '9'},     {SDLK_SPACE, 32}, {SDLK_RETURN, 13},  {SDLK_KP_ENTER, 13}, {SDLK_TAB, 9},
        {SDLK_LEFT, 0x25}, {SDLK_DOWN, 0x28}, {SDLK_F1, 0x70},   {SDLK_F12, 0x7B},  {SDLK_LSHIFT, 0x10},
        {SDLK_RCTRL, 0x11}, {SDLK_KP_0, 0x60}, {SDLK_KP_9, 0x69}, {SDLK_DELETE, 0x2E}, {SDLK_QUOTE, 0xDE},
    };
    for (const KeyCase& c : cases) {
        EXPECT_EQ(virtualKeyCode(c.sdlKey), c.virtualKey) << SDL_GetKeyName(c.sdlKey);
    }
}

TEST(KeyMap, EveryCodeFitsTheTableAndUnknownKeysHaveNone)
{
    // Walk the printable range and the scancode-derived keys: nothing reaches 256.
    for (int32_t key = 0; key < 0x80; ++key) {
        const int code = virtualKeyCode(key);
        EXPECT_TRUE(code >= 0 && code < 256) << key;
    }
    for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
        const int code = virtualKeyCode(SDL_SCANCODE_TO_KEYCODE(scancode));
        EXPECT_TRUE(code >= 0 && code < 256) << scancode;
    }
    EXPECT_EQ(virtualKeyCode(SDLK_UNKNOWN), 0);
    EXPECT_EQ(virtualKeyCode(SDLK_AUDIOPLAY), 0);
    EXPECT_EQ(virtualKeyCode(-5), 0);
}

TEST(KeyMap, AltAndF10AreSystemKeys)
{
    EXPECT_TRUE(isSystemKey(SDLK_LALT));
    EXPECT_TRUE(isSystemKey(SDLK_RALT));
    EXPECT_TRUE(isSystemKey(SDLK_F10));
    EXPECT_FALSE(isSystemKey(SDLK_F9));
    EXPECT_FALSE(isSystemKey(SDLK_ESCAPE));
}

}  // namespace
