#include "core/service/status_report.h"

#include <gtest/gtest.h>

#include "tests/support/json_reader.h"

namespace horolux::service {
namespace {

using test::Json;

StatusAnswer Started() {
    StatusAnswer s;
    s.runningSince = {2026, 5, 5, 1, 12, 0, 3, 250};
    s.allowList = {"page", "server:time.windows.com", "nonsense"};
    s.ignored = {"nonsense"};
    return s;
}

StatusAnswer AfterSeveralSources() {
    StatusAnswer s = Started();
    s.allowListFromPolicy = true;
    s.policy = {{"TimeSource", policy::Kind::Number, 3, {}},
                {"TimeServer", policy::Kind::Text, 0, {"ntp \"one\""}},
                {"AllowedSources", policy::Kind::TextList, 0, {"page", "server:a"}}};
    LastSync last;
    last.when = {2026, 5, 5, 1, 12, 3, 10, 7};
    last.client = "VM\\alice";
    last.source = "several time sources";
    last.answer.status = SyncStatus::Ok;
    last.answer.measured = true;
    last.answer.offset = -1'250'000;
    last.answer.bound = 3'300;
    last.answer.sources = {{"127.0.0.1:12300", true, 734, 3'300, 90, SourceVerdict::Used, ""},
                           {"example.org", false, 0, 0, 0, SourceVerdict::NoAnswer, ""}};
    s.lastSync = last;
    return s;
}

TEST(StatusReport, ExitCodeSaysWhetherTheLastSyncSetTheClock) {
    StatusAnswer s = AfterSeveralSources();
    EXPECT_EQ(StatusExitCode(s), kStatusSynced);
    s.lastSync->answer.status = SyncStatus::ConnectFailed;
    EXPECT_EQ(StatusExitCode(s), kStatusNotSynced);
    EXPECT_EQ(StatusExitCode(Started()), kStatusNotSynced) << "no sync since the start";
}

TEST(StatusReport, TextForAPerson) {
    EXPECT_EQ(StatusText(Started()),
              "Horolux Time Service, running since 2026-05-01 12:00:03 UTC\n"
              "Allowed sources (the service's list):\n"
              "  page\n"
              "  server:time.windows.com\n"
              "  nonsense (ignored: not a source entry)\n"
              "Policy: none\n"
              "Last sync: none since the service started\n");
    EXPECT_EQ(StatusText(AfterSeveralSources()),
              "Horolux Time Service, running since 2026-05-01 12:00:03 UTC\n"
              "Allowed sources (Group Policy):\n"
              "  page\n"
              "  server:time.windows.com\n"
              "  nonsense (ignored: not a source entry)\n"
              "Policy:\n"
              "  TimeSource = 3\n"
              "  TimeServer = ntp \"one\"\n"
              "  AllowedSources = page; server:a\n"
              "Last sync: 2026-05-01 12:03:10 UTC, for VM\\alice, from several time sources\n"
              "  Outcome: ok\n"
              "  Offset: -1.250 s +/- 4 ms\n"
              "  127.0.0.1:12300: used, +0.001 s +/- 4 ms\n"
              "  example.org: no answer\n");
    StatusAnswer failed = Started();
    failed.allowListFromPolicy = true;
    failed.allowListUnreadable = true;
    failed.allowList.clear();
    failed.ignored.clear();
    failed.lastSync = AfterSeveralSources().lastSync;
    failed.lastSync->answer = {};
    failed.lastSync->answer.status = SyncStatus::ConnectFailed;
    failed.lastSync->answer.failure = "The operation timed out";
    const std::string text = StatusText(failed);
    EXPECT_NE(text.find("Allowed sources (Group Policy): the value is no list of strings, so none "
                        "is allowed\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  Outcome: connect failed: The operation timed out\n"), std::string::npos)
        << text;
    EXPECT_EQ(text.find("Offset"), std::string::npos) << "nothing measured";
    StatusAnswer authenticated = AfterSeveralSources();
    authenticated.lastSync->answer.authenticated = true;
    EXPECT_NE(StatusText(authenticated)
                  .find(", for VM\\alice, from several time sources (authenticated)\n"),
              std::string::npos)
        << StatusText(authenticated);
}

TEST(StatusReport, JsonReadsBackWithEveryValue) {
    const std::string text = StatusJson(AfterSeveralSources());
    ASSERT_EQ(text.back(), '\n');
    const std::optional<Json> json = test::ParseJson(text);
    ASSERT_TRUE(json) << text;
    const Json& j = *json;
    EXPECT_EQ(j["runningSince"].text, "2026-05-01T12:00:03.250Z");
    EXPECT_TRUE(j["allowList"]["fromPolicy"].boolean);
    EXPECT_EQ(j["allowList"]["unreadable"].type, Json::Type::Bool);
    EXPECT_EQ(j["allowList"]["entries"].items.size(), 3u);
    EXPECT_EQ(j["allowList"]["ignored"][0].text, "nonsense");
    EXPECT_EQ(j["policy"]["TimeSource"].text, "3");
    EXPECT_EQ(j["policy"]["TimeServer"].text, "ntp \"one\"");
    EXPECT_EQ(j["policy"]["AllowedSources"][1].text, "server:a");
    const Json& last = j["lastSync"];
    EXPECT_EQ(last["when"].text, "2026-05-01T12:03:10.007Z");
    EXPECT_EQ(last["for"].text, "VM\\alice");
    EXPECT_EQ(last["source"].text, "several time sources");
    EXPECT_EQ(last["outcome"].text, "ok");
    EXPECT_TRUE(last["succeeded"].boolean);
    EXPECT_EQ(last["failure"].text, "");
    EXPECT_EQ(last["offset"].text, "-1.250000");
    EXPECT_EQ(last["bound"].text, "0.003300");
    EXPECT_EQ(last["authenticated"].type, Json::Type::Bool);
    EXPECT_FALSE(last["authenticated"].boolean);
    EXPECT_EQ(last["sources"][0]["offset"].text, "0.000734");
    EXPECT_EQ(last["sources"][1]["verdict"].text, "no answer");
    EXPECT_EQ(last["sources"][1]["offset"].type, Json::Type::Null) << "not measured";
    EXPECT_TRUE(last["sources"][1].Has("bound"));

    StatusAnswer authenticated = AfterSeveralSources();
    authenticated.lastSync->answer.authenticated = true;
    const std::optional<Json> set = test::ParseJson(StatusJson(authenticated));
    ASSERT_TRUE(set);
    EXPECT_TRUE((*set)["lastSync"]["authenticated"].boolean);

    const std::optional<Json> fresh = test::ParseJson(StatusJson(Started()));
    ASSERT_TRUE(fresh);
    EXPECT_TRUE((*fresh).Has("lastSync"));
    EXPECT_EQ((*fresh)["lastSync"].type, Json::Type::Null);
    EXPECT_EQ((*fresh)["policy"].type, Json::Type::Object);

    const std::optional<Json> error = test::ParseJson(UnreachableJson("no \"service\""));
    ASSERT_TRUE(error);
    EXPECT_EQ((*error)["error"].text, "no \"service\"");
}

TEST(StatusReport, JsonStringsAreAsciiAndReadBackAsTheirText) {
    const struct {
        std::string text, json;
    } cases[] = {
        {"plain", "\"plain\""},
        {"a \"b\" \\c", R"("a \"b\" \\c")"},
        {"tab\tline\n\x01\x7F", R"("tab\u0009line\u000a\u0001\u007f")"},
        {"caf\xC3\xA9", R"("caf\u00e9")"},
        {"\xE2\x82\xAC", R"("\u20ac")"},
        {"\xF0\x9F\x95\x92", R"("\ud83d\udd52")"},
        // Not UTF-8: a lone continuation byte, an ANSI byte, an overlong slash, a surrogate, a cut
        // sequence.
        {"\x80", R"("\ufffd")"},
        {"\xE9t\xE9", R"("\ufffdt\ufffd")"},
        {"\xC0\xAF", R"("\ufffd\ufffd")"},
        {"\xED\xA0\x80", R"("\ufffd\ufffd\ufffd")"},
        {"\xE2\x82", R"("\ufffd\ufffd")"},
    };
    for (const auto& c : cases) {
        const std::string json = JsonString(c.text);
        EXPECT_EQ(json, c.json) << c.text;
        const std::optional<Json> read = test::ParseJson(json);
        ASSERT_TRUE(read) << json;
        if (c.json.find("fffd") == std::string::npos) {
            EXPECT_EQ(read->text, c.text);
        }
    }
}

}  // namespace
}  // namespace horolux::service
