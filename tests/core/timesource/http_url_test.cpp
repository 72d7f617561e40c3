#include "core/timesource/http_url.h"

#include <gtest/gtest.h>

#include "core/timesource/time_source.h"

namespace horolux {
namespace {

TEST(ParseHttpUrl, GivesWhatARequestNeeds) {
    const struct {
        const char* url;
        HttpUrl want;
    } cases[] = {
        {"http://www.example.com", {false, "www.example.com", 80, "/"}},
        {"HTTPS://www.example.com", {true, "www.example.com", 443, "/"}},
        {"http://127.0.0.1:8080/clock", {false, "127.0.0.1", 8080, "/clock"}},
        {"https://user:pw@www.example.com:8443/x?y#z", {true, "www.example.com", 8443, "/x?y"}},
        {"http://[::1]:8080/", {false, "::1", 8080, "/"}},
        {"https://[::1]/a", {true, "::1", 443, "/a"}},
        {"http://127.0.0.1:8080?x", {false, "127.0.0.1", 8080, "/?x"}},
        {"http://h#frag", {false, "h", 80, "/"}},
        {"http://h:/p", {false, "h", 80, "/p"}},
        {"http://h:65535/", {false, "h", 65535, "/"}},
        {"http://h:00080/", {false, "h", 80, "/"}},
        {"http://h/a b/c d", {false, "h", 80, "/a%20b/c%20d"}},
        {"http://h/\xE9t\xE9", {false, "h", 80, "/%E9t%E9"}},
        {"http://h/%41?q=1&r=/", {false, "h", 80, "/%41?q=1&r=/"}},
        {kDefaultTimeWebUrl, {false, "www.msftconnecttest.com", 80, "/connecttest.txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        const auto got = ParseHttpUrl(c.url);
        ASSERT_TRUE(got);
        EXPECT_EQ(got->secure, c.want.secure);
        EXPECT_EQ(got->host, c.want.host);
        EXPECT_EQ(got->port, c.want.port);
        EXPECT_EQ(got->path, c.want.path);
    }
}

TEST(ParseHttpUrl, RefusesWhatCannotBeAsked) {
    for (const char* url : {
             "",
             "ftp://127.0.0.1/",
             "http:/h/",
             "http://",
             "http:///path",
             "http://:80/",
             "http://user@/",
             "http://[::1/",
             "http://[::1]x/",
             "http://[]/",
             "http://h:0/",
             "http://h:65536/",
             "http://h:123456/",
             "http://h:-1/",
             "http://h:8o/",
             "http://h:80:81/",
             "http://a b/",
             "http://h\t/",
             "http://h/a\r\nHost: evil",
             "http://h/\x7F",
         }) {
        EXPECT_FALSE(ParseHttpUrl(url)) << url;
    }
}

// The time source window and the stored choice judge a URL by its host alone; whatever
// ParseHttpUrl takes has the host UrlHost finds.
TEST(ParseHttpUrl, AgreesWithUrlHost) {
    for (const char* url :
         {"http://www.example.com", "https://user:pw@www.example.com:8443/x?y#z",
          "http://[::1]:8080/", "http://127.0.0.1:8080?x", "HTTP://h/a b", "http://h:/"}) {
        const auto parsed = ParseHttpUrl(url);
        ASSERT_TRUE(parsed) << url;
        EXPECT_EQ(UrlHost(url), parsed->host) << url;
    }
    // UrlHost looks no further than the host: a port or path a request cannot use is ParseHttpUrl's
    // to refuse.
    EXPECT_EQ(UrlHost("http://h:99999/"), "h");
    EXPECT_FALSE(ParseHttpUrl("http://h:99999/"));
    for (const char* url : {"ftp://h/", "http://[::1/", "http:// /", "http://"}) {
        EXPECT_FALSE(UrlHost(url)) << url;
        EXPECT_FALSE(ParseHttpUrl(url)) << url;
    }
}

TEST(SplitHttpUrl, KeepsThePartsAsWritten) {
    const auto parts = SplitHttpUrl("Https://u:p@[fe80::1]:8443/x?y#z");
    ASSERT_TRUE(parts);
    EXPECT_TRUE(parts->secure);
    EXPECT_EQ(parts->host, "fe80::1");
    EXPECT_EQ(parts->port, "8443");
    EXPECT_EQ(parts->target, "/x?y#z");
    const auto bare = SplitHttpUrl("http://h");
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->secure);
    EXPECT_EQ(bare->host, "h");
    EXPECT_EQ(bare->port, "");
    EXPECT_EQ(bare->target, "");
}

}  // namespace
}  // namespace horolux
