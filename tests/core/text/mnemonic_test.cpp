#include "core/text/mnemonic.h"

#include <gtest/gtest.h>

namespace horolux {
namespace {

TEST(Mnemonic, ReadersHearTheTextWithoutTheMarkAndTheKeyAsAltPlusIt) {
    const struct {
        const char* text;
        const char* plain;
        const char* shortcut;
    } cases[] = {
        {"&Sync clock", "Sync clock", "Alt+S"},
        {"Time &page", "Time page", "Alt+p"},  // the letter as the text has it
        {"Close", "Close", ""},
        {"Salt && &Pepper", "Salt & Pepper", "Alt+P"},
        {"Fish && chips", "Fish & chips", ""},
        {"Trailing &", "Trailing &", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WithoutMnemonic(c.text), c.plain) << c.text;
        EXPECT_EQ(MnemonicShortcut(c.text), c.shortcut) << c.text;
    }
}

}  // namespace
}  // namespace horolux
