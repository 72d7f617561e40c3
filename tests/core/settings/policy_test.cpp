#include "core/settings/policy.h"

#include <gtest/gtest.h>

#include "core/app/horolux_model.h"
#include "core/settings/config.h"
#include "core/settings/defaults_store.h"
#include "tests/support/memory_settings_store.h"

namespace horolux {
namespace {

TEST(WithPolicy, APolicyValueWinsOverUserAndDefaultsAndTheUsersOwnIsLeftAlone) {
    MemorySettingsStore user, machine, policyStore;
    user.WriteInt(config::kSection, "SyncOnStart", 0);
    user.WriteText(config::kSection, "TimeServer", "mine.example.org");
    user.WriteTextList(config::kSection, "AutoSources", {"page"});
    user.WriteInt(config::kSection, "ScheduleSync", 1);
    machine.WriteInt(kDefaultsSection, "TimeSource", 3);
    policyStore.WriteInt(policy::kSection, "SyncOnStart", 1);
    policyStore.WriteInt(policy::kSection, "TimeSource", 1);
    policyStore.WriteText(policy::kSection, "TimeServer", "ntp.corp.example");
    policyStore.WriteTextList(policy::kSection, "AutoSources", {"server:a.corp.example"});
    policyStore.WriteInt(policy::kSection, "RequireAuthenticated", 1);
    policyStore.WriteInt(policy::kSection, "ScheduleInterval", 5);  // text expected: not held
    policyStore.WriteText(policy::kSection, "ScheduleSync", "0");   // number expected: not held
    policyStore.WriteInt(policy::kSection, "AllowedSources", 1);    // the service's, and odd
    policyStore.WriteInt(policy::kSection, "SomethingElse", 1);     // not in the table
    WithDefaults defaults(user, machine);
    WithPolicy settings(defaults, policyStore);

    EXPECT_EQ(policy::HeldNames(policyStore),
              (std::vector<std::string>{"TimeSource", "TimeServer", "AutoSources", "SyncOnStart",
                                        "RequireAuthenticated"}));
    HoroluxModel model(settings);
    model.Load();
    model.LoadTimeSource();
    EXPECT_EQ(model.settings.syncOnStart, 1);
    EXPECT_EQ(model.settings.scheduleSync, 1) << "a value of another type holds nothing";
    EXPECT_EQ(model.settings.scheduleInterval, "1");
    EXPECT_EQ(static_cast<int>(model.timeSource.source), 1) << "over the machine's default too";
    EXPECT_EQ(model.timeSource.server, "ntp.corp.example");
    EXPECT_EQ(SourceEntryTexts(model.timeSource.autoSources),
              std::vector<std::string>{"server:a.corp.example"});
    EXPECT_TRUE(model.timeSource.requireAuthenticated);

    // The model saves what it holds, the policy's values, each unlike the user's own.
    model.Save();
    model.SaveTimeSource();
    EXPECT_EQ(user.ReadInt(config::kSection, "SyncOnStart", 9), 0) << "the user's own, untouched";
    EXPECT_EQ(user.ReadText(config::kSection, "TimeServer", ""), "mine.example.org");
    EXPECT_EQ(user.ReadTextList(config::kSection, "AutoSources"), std::vector<std::string>{"page"});
    EXPECT_EQ(user.ReadInt(config::kSection, "TimeSource", 9), 9) << "never written";
    EXPECT_EQ(user.ReadInt(config::kSection, "RequireAuthenticated", 9), 9);
    EXPECT_EQ(user.ReadInt(config::kSection, "ExitAfterSync", 9), 0) << "others are written";
    EXPECT_EQ(settings.ReadInt("Elsewhere", "SyncOnStart", 7), 7) << "only the Config section";
}

}  // namespace
}  // namespace horolux
