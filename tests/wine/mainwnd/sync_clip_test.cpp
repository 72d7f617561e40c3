#include <gtest/gtest.h>

#include "framework/win32.h"
#include "resource.h"

namespace {

TEST(SyncClip, TheAnimationControlOpensAndPlaysIt) {
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(parent);
    HWND anim = CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD | ACS_TRANSPARENT, 0, 0, 60, 60,
                                parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(anim);
    EXPECT_TRUE(
        SendMessageA(anim, ACM_OPENA, 0, reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(IDR_SYNC_AVI))));
    EXPECT_TRUE(SendMessageA(anim, ACM_PLAY, static_cast<WPARAM>(-1), MAKELONG(0, 0xFFFF)));
    EXPECT_TRUE(SendMessageA(anim, ACM_STOP, 0, 0));
    EXPECT_FALSE(SendMessageA(anim, ACM_OPENA, 0, reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(9998))))
        << "the control refuses a clip that is not there, so the check above means something";
    DestroyWindow(parent);
}

}  // namespace
