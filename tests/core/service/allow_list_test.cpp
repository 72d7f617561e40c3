#include "core/service/allow_list.h"

#include <gtest/gtest.h>

#include "core/service/service_protocol.h"
#include "core/sync/sync_outcome.h"

namespace horolux::service {
namespace {

// A request as the service reads it from the pipe: one whose text does not read is refused there.
struct Asked {
    TimeSource source;
    std::string text;
    std::optional<SyncRequest> Read() const {
        const auto sources = ReadRequestSources(source, text);
        if (!sources) return std::nullopt;
        return SyncRequest{source, *sources, false};
    }
};
Asked Page(std::string text = {}) {
    return {TimeSource::Page, std::move(text)};
}
Asked Server(std::string text) {
    return {TimeSource::TimeServer, std::move(text)};
}
Asked Web(std::string text) {
    return {TimeSource::WebServer, std::move(text)};
}

bool IsAllowed(const AllowList& list, const Asked& asked) {
    const std::optional<SyncRequest> request = asked.Read();
    return request && service::IsAllowed(list, *request);
}

AllowList List(const std::vector<std::string>& entries) {
    const AllowListRead read = ParseAllowList(entries);
    EXPECT_TRUE(read.ignored.empty()) << read.ignored.front();
    return read.list;
}

struct Case {
    Asked request;
    bool allowed;
};

void CheckCases(const AllowList& list, std::initializer_list<Case> cases, const char* listName) {
    for (const Case& c : cases)
        EXPECT_EQ(IsAllowed(list, c.request), c.allowed)
            << listName << ", source " << static_cast<int>(c.request.source) << " \""
            << c.request.text << '"';
}

TEST(AllowList, AnEmptyListAllowsNothing) {
    const AllowList empty = ParseAllowList({}).list;
    CheckCases(empty,
               {{Page(), false},
                {Server(kDefaultTimeServerText), false},
                {Web(kDefaultTimeWebUrl), false}},
               "empty");
}

TEST(AllowList, ThePageNeedsItsEntryAndAnEmptyText) {
    CheckCases(List({"page"}),
               {{Page(), true},
                {Page("time.windows.com"), false},
                {Page(" "), false},
                {Server(kDefaultTimeServerText), false},
                {Web(kDefaultTimeWebUrl), false}},
               "page");
    for (const char* spelling : {"PAGE", "  Page\t", "\tpage "})
        EXPECT_TRUE(IsAllowed(List({spelling}), Page())) << spelling;
}

TEST(AllowList, ServersCompareByHostInAnyCaseAndPort) {
    const AllowList list =
        List({"server:time.windows.com", " SERVER : 127.0.0.1:10123 ", "Server:Ntp.Example.ORG:123",
              "server:[::1]:124", "server:fe80::1"});
    CheckCases(list,
               {{Server("time.windows.com"), true},
                {Server("TIME.Windows.com"), true},
                {Server("time.windows.com:123"), true},
                {Server("  time.windows.com\t"), true},
                {Server("   "), true},  // the program reads a blank server text as the default
                {Server("time.windows.com:124"), false},
                {Server("time.windows.com."), false},
                {Server("windows.com"), false},
                {Server("127.0.0.1:10123"), true},
                {Server("127.0.0.1"), false},
                {Server("ntp.example.org"), true},
                {Server("[::1]:124"), true},
                {Server("::1"), false},
                {Server("[fe80::1]:123"), true},
                {Server("FE80::1"), true},
                {Server(""), false},
                {Server("time.windows.com:0"), false},
                {Server("two words"), false},
                {Web("http://time.windows.com"), false},
                {Page(), false}},
               "servers");
}

TEST(AllowList, UrlsCompareSchemeAndHostInAnyCaseAndTheRestExactly) {
    const AllowList list = List({"web:http://www.example.com/time", "  web:  https://[::1]:8443  ",
                                 "WEB:HTTP://User@Clock.Example.ORG:8080/A?b#C"});
    CheckCases(list,
               {{Web("http://www.example.com/time"), true},
                {Web("HTTP://WWW.Example.COM/time"), true},
                {Web("http://www.example.com/time "), true},
                {Web("http://www.example.com/Time"), false},
                {Web("http://www.example.com/time/"), false},
                {Web("http://www.example.com:80/time"), false},
                {Web("https://www.example.com/time"), false},
                {Web(" http://www.example.com/time"), false},
                {Web("https://[::1]:8443"), true},
                {Web("HTTPS://[::1]:8443"), true},
                {Web("https://[::1]:8443/"), false},
                {Web("http://User@clock.example.org:8080/A?b#C"), true},
                {Web("http://USER@clock.example.org:8080/A?b#C"), false},
                {Web("http://User@clock.example.org:8080/a?b#C"), false},
                {Web("http://User@clock.example.org:8080/A?B#C"), false},
                {Web("ftp://www.example.com/time"), false},
                {Web(""), false},
                {Server("www.example.com"), false}},
               "urls");
}

TEST(AllowList, NtsServersAreAllowedByTheirOwnEntriesInCanonicalForm) {
    const AllowList list = List({"nts:time.cloudflare.com", " NTS : Nts.Netnod.se:4460 ",
                                 "nts:127.0.0.1:14460", "server:ptbtime1.ptb.de"});
    const AllowedRequest allowed =
        AllowedPart(list, *Asked{TimeSource::Automatic,
                                 "nts:TIME.cloudflare.com:4460 nts:nts.netnod.se "
                                 "nts:127.0.0.1:14460 nts:127.0.0.1 server:time.cloudflare.com "
                                 "nts:ptbtime1.ptb.de"}
                               .Read());
    ASSERT_TRUE(allowed.request);
    EXPECT_EQ(SourceEntryTexts(allowed.request->sources),
              (std::vector<std::string>{"nts:time.cloudflare.com", "nts:nts.netnod.se",
                                        "nts:127.0.0.1:14460"}));
    EXPECT_EQ(allowed.notAllowed,
              (std::vector<std::string>{"127.0.0.1", "time.cloudflare.com", "ptbtime1.ptb.de"}))
        << "another port, and a time server of an NTS server's host or back, are other sources";
    EXPECT_FALSE(IsAllowed(List({"nts:time.windows.com:123"}), Server("time.windows.com")));
}

TEST(AllowList, EntriesThatDoNotReadAreIgnoredAndReported) {
    const std::vector<std::string> bad = {
        "",
        "   ",
        "pages",
        "page:",
        "page:x",
        "server",
        "server:",
        "server:  ",
        "server:a b",
        "server:host:0",
        "server:h:",
        "server:[::1",
        "web:",
        "web:example.org",
        "web:ftp://x/",
        "web:http://",
        "time.windows.com",
        "ntp:time.windows.com",
        "nts:",
        "nts:host:70000",
        ":time.windows.com",
    };
    std::vector<std::string> entries = bad;
    entries.push_back("server:pool.ntp.org");
    const AllowListRead read = ParseAllowList(entries);
    EXPECT_EQ(read.ignored, bad);
    EXPECT_FALSE(read.list.page);
    EXPECT_TRUE(read.list.urls.empty());
    EXPECT_TRUE(read.list.ntsServers.empty());
    ASSERT_EQ(read.list.servers.size(), 1u);
    EXPECT_TRUE(IsAllowed(read.list, Server("pool.ntp.org:123")));
    EXPECT_FALSE(IsAllowed(read.list, Server("")));
}

TEST(AllowList, TheInstallersListAllowsTheDefaultSources) {
    const std::vector<std::string> list = DefaultAllowList();
    ASSERT_GE(list.size(), 6u);
    EXPECT_EQ(
        std::vector<std::string>(list.begin(), list.begin() + 6),
        (std::vector<std::string>{
            "page", "server:time.windows.com", "web:http://www.msftconnecttest.com/connecttest.txt",
            "nts:time.cloudflare.com", "nts:nts.netnod.se", "nts:ptbtime1.ptb.de"}));
    CheckCases(List(list),
               {{Page(), true},
                {Server(kDefaultTimeServerText), true},
                {Web(kDefaultTimeWebUrl), true},
                {Server("ntp.example.org"), false},
                {Web("http://www.msftconnecttest.com/"), false}},
               "defaults");
    // The default Automatic list is allowed whole.
    TimeSourceChoice automatic;
    automatic.source = TimeSource::Automatic;
    const AllowedRequest allowed = AllowedPart(List(list), SyncRequestFor(automatic));
    EXPECT_TRUE(allowed.request);
    EXPECT_TRUE(allowed.notAllowed.empty());
}

TEST(AllowList, AnEntryIsMadeForExactlyOneSource) {
    const struct {
        Asked request;
        const char* entry;
    } cases[] = {
        {Page(), "page"},
        {Server("time.windows.com"), "server:time.windows.com"},
        {Server(" Time.Windows.com:123 "), "server:time.windows.com"},
        {Server("127.0.0.1:10123"), "server:127.0.0.1:10123"},
        {Server("::1"), "server:[::1]:123"},
        {Server("   "), "server:time.windows.com"},
        {Web("https://example.org:8443/t?x"), "web:https://example.org:8443/t?x"},
        {Page("x"), ""},
        {Server(""), ""},
        {Server("host:99999"), ""},
        {Web("example.org"), ""},
        {{TimeSource::Automatic, ""}, ""},
    };
    for (const auto& c : cases) {
        const std::optional<SyncRequest> request = c.request.Read();
        EXPECT_EQ(request ? AllowListEntry(*request) : "", c.entry) << c.request.text;
        if (*c.entry == '\0') continue;
        EXPECT_TRUE(IsAllowed(List({c.entry}), c.request)) << c.entry;
    }
    EXPECT_FALSE(IsAllowed(List({"server:127.0.0.1:10123"}), Server("127.0.0.1:10124")));
}

TEST(AllowList, SeveralSourcesAreCutToThoseAllowedAndTheOthersNamed) {
    const AllowList list = List({"server:a.example.org", "web:https://www.example.com/"});
    SyncRequest asked = *Asked{TimeSource::Automatic,
                               "server:A.example.org:123 page server:b.example.org:10123 "
                               "web:HTTPS://www.Example.com/ web:https://www.example.com/x"}
                             .Read();
    asked.allowLargeCorrection = true;
    const AllowedRequest allowed = AllowedPart(list, asked);
    ASSERT_TRUE(allowed.request);
    EXPECT_EQ(allowed.request->sources,
              *ReadRequestSources(TimeSource::Automatic,
                                  "server:a.example.org web:https://www.example.com/"));
    EXPECT_TRUE(allowed.request->allowLargeCorrection);
    EXPECT_EQ(allowed.notAllowed,
              (std::vector<std::string>{"tycho.usno.navy.mil", "b.example.org:10123",
                                        "www.example.com"}));
    EXPECT_FALSE(AllowedPart(List({"page"}), asked).request) << "none allowed, none measured";
    EXPECT_FALSE(IsAllowed(list, asked)) << "no one entry allows several sources";
    EXPECT_EQ(AllowedPart(list, *Server("a.example.org").Read()).request,
              Server("a.example.org").Read());
}

}  // namespace
}  // namespace horolux::service
