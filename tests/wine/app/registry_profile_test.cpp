#include "platform/registry_profile.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_registry.h"

namespace {

const std::string kRoot = "Software\\HoroluxTest\\Profile";
const std::string kSectionKey = kRoot + "\\Config";

class RegistryProfileTest : public ::testing::Test {
protected:
    void SetUp() override { test::DeleteTree(HKEY_CURRENT_USER, "Software\\HoroluxTest"); }
    void TearDown() override { test::DeleteTree(HKEY_CURRENT_USER, "Software\\HoroluxTest"); }
    platform::RegistryProfile profile{kRoot};
};

TEST_F(RegistryProfileTest, MissingKeysAreCreatedAndReadAsDefaults) {
    EXPECT_EQ(profile.ReadInt("Config", "AlarmClockTransp", 70), 70);
    EXPECT_EQ(profile.ReadText("Config", "FirstRun", "YES"), "YES");
    EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, kSectionKey));
}

TEST_F(RegistryProfileTest, IntegersAreDwordsAndTextsAreStrings) {
    profile.WriteInt("Config", "ScheduleSync", 1);
    profile.WriteInt("Config", "Negative", -5);
    profile.WriteText("Config", "ScheduleInterval", "24");
    profile.WriteText("Config", "Empty", "");

    auto dword = test::ReadRaw(HKEY_CURRENT_USER, kSectionKey, "ScheduleSync");
    ASSERT_TRUE(dword);
    EXPECT_EQ(dword->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(dword->data.size(), 4u);
    auto sz = test::ReadRaw(HKEY_CURRENT_USER, kSectionKey, "ScheduleInterval");
    ASSERT_TRUE(sz);
    EXPECT_EQ(sz->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(sz->data, std::string("24\0", 3)) << "the stored length counts the terminating zero";

    EXPECT_EQ(profile.ReadInt("Config", "ScheduleSync", 0), 1);
    EXPECT_EQ(profile.ReadInt("Config", "Negative", 0), -5);
    EXPECT_EQ(profile.ReadText("Config", "ScheduleInterval", "1"), "24");
    EXPECT_EQ(profile.ReadText("Config", "Empty", "x"), "");
}

TEST_F(RegistryProfileTest, ValuesOfTheOtherTypeReadAsTheDefault) {
    profile.WriteText("Config", "ExitAfterSync", "1");
    profile.WriteInt("Config", "LastSync", 7);
    const char binary[] = {1, 2, 3};
    test::SetRaw(HKEY_CURRENT_USER, kSectionKey, "Binary", REG_BINARY, binary, sizeof binary);
    const char expand[] = "%TEMP%";
    test::SetRaw(HKEY_CURRENT_USER, kSectionKey, "Expand", REG_EXPAND_SZ, expand, sizeof expand);

    EXPECT_EQ(profile.ReadInt("Config", "ExitAfterSync", 0), 0);
    EXPECT_EQ(profile.ReadText("Config", "LastSync", "def"), "def");
    EXPECT_EQ(profile.ReadInt("Config", "Binary", 42), 42);
    EXPECT_EQ(profile.ReadText("Config", "Binary", "def"), "def");
    EXPECT_EQ(profile.ReadText("Config", "Expand", "def"), "def");
}

TEST_F(RegistryProfileTest, OddlyStoredValuesAreReadSafely) {
    // A string stored without its terminating zero, and a DWORD value of the wrong size.
    const char unterminated[] = {'a', 'b', 'c'};
    test::SetRaw(HKEY_CURRENT_USER, kSectionKey, "NoZero", REG_SZ, unterminated,
                 sizeof unterminated);
    const char shortDword[] = {1, 0};
    test::SetRaw(HKEY_CURRENT_USER, kSectionKey, "Short", REG_DWORD, shortDword, sizeof shortDword);
    const std::string big(5000, 'x');
    profile.WriteText("Config", "Big", big);

    EXPECT_EQ(profile.ReadText("Config", "NoZero", ""), "abc");
    EXPECT_EQ(profile.ReadInt("Config", "Short", 9), 9);
    EXPECT_EQ(profile.ReadText("Config", "Big", ""), big);
}

TEST_F(RegistryProfileTest, TextListsAreMultiStringsAndOddOnesReadSafely) {
    using List = std::vector<std::string>;
    profile.WriteTextList("Config", "SyncHistory", {"newest", "", "older"});
    auto raw = test::ReadRaw(HKEY_CURRENT_USER, kSectionKey, "SyncHistory");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(raw->data, std::string("newest\0older\0\0", 14))
        << "an empty item would end the list";
    EXPECT_EQ(profile.ReadTextList("Config", "SyncHistory"), (List{"newest", "older"}));

    profile.WriteTextList("Config", "SyncHistory", {});
    EXPECT_EQ(test::ReadRaw(HKEY_CURRENT_USER, kSectionKey, "SyncHistory")->data,
              std::string(2, '\0'));
    EXPECT_EQ(profile.ReadTextList("Config", "SyncHistory"), List{});

    const struct {
        std::string data;
        DWORD type;
        List expected;
    } odd[] = {
        {std::string("a\0b", 3), REG_MULTI_SZ, {"a", "b"}},   // no closing zeros
        {std::string("a\0\0b\0\0", 6), REG_MULTI_SZ, {"a"}},  // the list ends at the empty string
        {std::string("", 0), REG_MULTI_SZ, {}},
        {std::string("a\0", 2), REG_SZ, {}},  // another type
        {std::string("\x01\0\0\0", 4), REG_DWORD, {}},
    };
    for (const auto& c : odd) {
        test::SetRaw(HKEY_CURRENT_USER, kSectionKey, "Odd", c.type, c.data.data(),
                     static_cast<DWORD>(c.data.size()));
        EXPECT_EQ(profile.ReadTextList("Config", "Odd"), c.expected) << c.data.size();
    }
    EXPECT_EQ(profile.ReadTextList("Config", "Missing"), List{});
}

}  // namespace
