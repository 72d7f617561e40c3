#include "ui/clockwnd/control_kinds.h"

#include <gtest/gtest.h>

namespace {

TEST(ClockControlKinds, TextStaticsRepaintAfterMovingAndGroupBoxesClipTheirSiblings) {
    EXPECT_TRUE(NeedsRepaintAfterMoving("Static", SS_LEFT));  // the clock's display
    EXPECT_TRUE(NeedsRepaintAfterMoving("STATIC", SS_RIGHT));
    EXPECT_TRUE(NeedsRepaintAfterMoving("Static", SS_CENTER | WS_VISIBLE));
    EXPECT_FALSE(NeedsRepaintAfterMoving("Static", SS_BITMAP));
    EXPECT_TRUE(NeedsRepaintAfterMoving("Static", SS_BITMAP | SS_CENTERIMAGE));
    EXPECT_FALSE(NeedsRepaintAfterMoving("Button", SS_LEFT));
    EXPECT_TRUE(NeedsClipSiblings("button", BS_GROUPBOX));
    EXPECT_FALSE(NeedsClipSiblings("Button", BS_AUTOCHECKBOX));
    EXPECT_FALSE(NeedsClipSiblings("Static", BS_GROUPBOX));
}

}  // namespace
