#include "ui/clockwnd/control_kinds.h"

#include <gtest/gtest.h>

namespace {

TEST(ClockControlKinds, TextStaticsRepaintAfterMovingAndGroupBoxesClipTheirSiblings) {
    EXPECT_TRUE(ui::NeedsRepaintAfterMoving("Static", SS_LEFT));  // the clock's display
    EXPECT_TRUE(ui::NeedsRepaintAfterMoving("STATIC", SS_RIGHT));
    EXPECT_TRUE(ui::NeedsRepaintAfterMoving("Static", SS_CENTER | WS_VISIBLE));
    EXPECT_FALSE(ui::NeedsRepaintAfterMoving("Static", SS_BITMAP));
    EXPECT_TRUE(ui::NeedsRepaintAfterMoving("Static", SS_BITMAP | SS_CENTERIMAGE));
    EXPECT_FALSE(ui::NeedsRepaintAfterMoving("Button", SS_LEFT));
    EXPECT_TRUE(ui::NeedsClipSiblings("button", BS_GROUPBOX));
    EXPECT_FALSE(ui::NeedsClipSiblings("Button", BS_AUTOCHECKBOX));
    EXPECT_FALSE(ui::NeedsClipSiblings("Static", BS_GROUPBOX));
}

}  // namespace
