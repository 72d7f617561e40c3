#include "core/settings/defaults_store.h"

#include <gtest/gtest.h>

#include "core/settings/config.h"
#include "tests/support/memory_settings_store.h"

namespace horolux {
namespace {

TEST(WithDefaults, TheUsersOwnValueWinsAndOnlyConfigFallsBackToTheMachines) {
    MemorySettingsStore user, machine;
    machine.WriteInt(kDefaultsSection, "TimeSource", 3);
    machine.WriteText(kDefaultsSection, "TimeServer", "ntp.example.org");
    machine.WriteTextList(kDefaultsSection, "AutoSources", {"server:a.example.org"});
    machine.WriteInt(kDefaultsSection, "Other", 7);
    WithDefaults settings(user, machine);

    EXPECT_EQ(settings.ReadInt(config::kSection, "TimeSource", 0), 3);
    EXPECT_EQ(settings.ReadText(config::kSection, "TimeServer", ""), "ntp.example.org");
    EXPECT_EQ(settings.ReadTextList(config::kSection, "AutoSources"),
              std::vector<std::string>{"server:a.example.org"});
    EXPECT_EQ(settings.ReadInt("Elsewhere", "Other", 1), 1) << "only the Config section";
    EXPECT_EQ(settings.ReadInt(config::kSection, "Missing", 9), 9);

    settings.WriteInt(config::kSection, "TimeSource", 1);
    settings.WriteText(config::kSection, "TimeServer", "time.windows.com");
    EXPECT_EQ(settings.ReadInt(config::kSection, "TimeSource", 0), 1) << "the user's own wins";
    EXPECT_EQ(settings.ReadText(config::kSection, "TimeServer", ""), "time.windows.com");
    EXPECT_EQ(machine.ReadInt(kDefaultsSection, "TimeSource", 0), 3) << "writes are the user's";
}

}  // namespace
}  // namespace horolux
