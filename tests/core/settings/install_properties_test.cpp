#include "core/settings/install_properties.h"

#include <gtest/gtest.h>

namespace horolux::install {
namespace {

using Entries = std::vector<std::string>;

TEST(InstallProperties, TimeSourceWordsAreTheStoredNumbers) {
    EXPECT_EQ(ReadTimeSourceWord("page"), TimeSource::Page);
    EXPECT_EQ(ReadTimeSourceWord("server"), TimeSource::TimeServer);
    EXPECT_EQ(ReadTimeSourceWord("web"), TimeSource::WebServer);
    EXPECT_EQ(ReadTimeSourceWord("auto"), TimeSource::Automatic);
    EXPECT_EQ(static_cast<int>(*ReadTimeSourceWord("auto")), 3);
    EXPECT_EQ(ReadTimeSourceWord(" Auto\t"), TimeSource::Automatic);
    EXPECT_EQ(ReadTimeSourceWord("SERVER"), TimeSource::TimeServer);
    for (const char* other :
         {"", "automatic", "3", "4", "nts", "pages", "web server", "sundial", "au to"})
        EXPECT_EQ(ReadTimeSourceWord(other), std::nullopt) << other;
}

TEST(InstallProperties, ListsSplitAtSemicolonsWithoutBlanksOrEmptyEntries) {
    EXPECT_EQ(SplitPropertyList("page"), Entries{"page"});
    EXPECT_EQ(SplitPropertyList("page;server:a.example.org"),
              (Entries{"page", "server:a.example.org"}));
    EXPECT_EQ(SplitPropertyList(" server:a ;\tweb:http://b/x y ;; ;"),
              (Entries{"server:a", "web:http://b/x y"}));
    EXPECT_EQ(SplitPropertyList(""), Entries{});
    EXPECT_EQ(SplitPropertyList(" ; ;"), Entries{});
}

TEST(InstallProperties, NothingGivenAsksForNothing) {
    const InstallPropertiesRead read = ReadInstallProperties({});
    EXPECT_EQ(read.error, "");
    EXPECT_EQ(read.properties, InstallProperties{});
    EXPECT_TRUE(read.properties.autoStart);
    // An empty property is one not given.
    const InstallPropertiesRead empty = ReadInstallProperties({{"TIMESOURCE", ""},
                                                               {"TIMESERVER", ""},
                                                               {"AUTOSOURCES", ""},
                                                               {"AUTOSTART", ""},
                                                               {"REQUIREAUTHENTICATED", ""}});
    EXPECT_EQ(empty.error, "");
    EXPECT_EQ(empty.properties, InstallProperties{});
}

TEST(InstallProperties, EveryPropertyGivenReads) {
    const InstallPropertiesRead read = ReadInstallProperties({
        {"TIMESOURCE", "server"},
        {"TIMESERVER", " ntp.example.org:1123 "},
        {"TIMEWEBURL", "https://www.example.org/t"},
        {"AUTOSOURCES", "nts:n.example.org;server:a.example.org; web:https://b.example.org/"},
        {"ALLOWEDSOURCES", "page;server:[::1]:123; web:HTTP://C.example.org/x;NTS:[::1]:4461"},
        {"AUTOSTART", "0"},
        {"REQUIREAUTHENTICATED", "1"},
        {"OTHER", "x"},  // the installer's own properties are not ours to read
    });
    ASSERT_EQ(read.error, "");
    InstallProperties expected;
    expected.timeSource = TimeSource::TimeServer;
    expected.timeServer = "ntp.example.org:1123";
    expected.timeWebUrl = "https://www.example.org/t";
    expected.autoSources =
        Entries{"nts:n.example.org", "server:a.example.org", "web:https://b.example.org/"};
    expected.allowedSources =
        Entries{"page", "server:[::1]:123", "web:HTTP://C.example.org/x", "NTS:[::1]:4461"};
    expected.autoStart = false;
    expected.requireAuthenticated = true;
    EXPECT_EQ(read.properties, expected);
    EXPECT_TRUE(ReadInstallProperties({{"AUTOSTART", "1"}}).properties.autoStart);
    EXPECT_EQ(
        ReadInstallProperties({{"REQUIREAUTHENTICATED", "0"}}).properties.requireAuthenticated,
        false);
}

TEST(InstallProperties, TheFirstValueThatDoesNotReadIsNamedInTheMessage) {
    struct Case {
        PropertyValues values;
        const char* error;
    };
    const Case cases[] = {
        {{{"TIMESOURCE", "sundial"}},
         "TIMESOURCE must be page, server, web or auto, not \"sundial\"."},
        {{{"TIMESOURCE", "3"}}, "TIMESOURCE must be page, server, web or auto, not \"3\"."},
        {{{"TIMESERVER", "ntp.example.org:port"}},
         "TIMESERVER must be a host name or address with an optional :port, not "
         "\"ntp.example.org:port\"."},
        {{{"TIMEWEBURL", "ftp://www.example.org/"}},
         "TIMEWEBURL must be an http:// or https:// address with a host, not "
         "\"ftp://www.example.org/\"."},
        {{{"AUTOSOURCES", "server:a.example.org;page"}},
         "AUTOSOURCES entries must be server:HOST[:PORT], nts:HOST[:PORT] or web:URL, not "
         "\"page\"."},
        {{{"AUTOSOURCES", "server:a.example.org; a.example.org "}},
         "AUTOSOURCES entries must be server:HOST[:PORT], nts:HOST[:PORT] or web:URL, not "
         "\"a.example.org\"."},
        {{{"AUTOSOURCES", "nts:a.example.org;nts:"}},
         "AUTOSOURCES entries must be server:HOST[:PORT], nts:HOST[:PORT] or web:URL, not "
         "\"nts:\"."},
        {{{"AUTOSOURCES", " ; "}}, "AUTOSOURCES names no source."},
        {{{"ALLOWEDSOURCES", "page;web:ftp://x.example.org/"}},
         "ALLOWEDSOURCES entries must be page, server:HOST[:PORT], nts:HOST[:PORT] or web:URL, "
         "not \"web:ftp://x.example.org/\"."},
        {{{"ALLOWEDSOURCES", "nts:a.example.org:0"}},
         "ALLOWEDSOURCES entries must be page, server:HOST[:PORT], nts:HOST[:PORT] or web:URL, "
         "not \"nts:a.example.org:0\"."},
        {{{"ALLOWEDSOURCES", ";"}}, "ALLOWEDSOURCES names no source."},
        {{{"AUTOSTART", "yes"}}, "AUTOSTART must be 0 or 1, not \"yes\"."},
        {{{"AUTOSTART", " 0"}}, "AUTOSTART must be 0 or 1, not \" 0\"."},
        {{{"REQUIREAUTHENTICATED", "yes"}}, "REQUIREAUTHENTICATED must be 0 or 1, not \"yes\"."},
        // In the order of kPropertyNames, whatever the order given.
        {{{"AUTOSTART", "2"}, {"TIMEWEBURL", "x"}, {"TIMESOURCE", "web"}},
         "TIMEWEBURL must be an http:// or https:// address with a host, not \"x\"."},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadInstallProperties(c.values).error, c.error);
}

TEST(InstallProperties, MessagesAreEscapedAsFormattedText) {
    EXPECT_EQ(AsFormattedText("TIMESOURCE must be page"), "TIMESOURCE must be page");
    EXPECT_EQ(AsFormattedText("server:HOST[:PORT], not \"server:[::1]:x\"."),
              "server:HOST[\\[]:PORT[\\]], not \"server:[\\[]::1[\\]]:x\".");
    EXPECT_EQ(AsFormattedText("web:http://a/{b}"), "web:http://a/[\\{]b[\\}]");
}

TEST(InstallProperties, ArgumentsAreQuotedByWindowsRules) {
    EXPECT_EQ(QuoteArgument("TIMESOURCE=auto"), "TIMESOURCE=auto");
    EXPECT_EQ(QuoteArgument(""), "\"\"");
    EXPECT_EQ(QuoteArgument("a b"), "\"a b\"");
    EXPECT_EQ(QuoteArgument("a\\b"), "a\\b") << "a backslash before no quote is itself";
    EXPECT_EQ(QuoteArgument("a \\b"), "\"a \\b\"");
    EXPECT_EQ(QuoteArgument("a\"b"), "\"a\\\"b\"");
    EXPECT_EQ(QuoteArgument("a\\\"b"), "\"a\\\\\\\"b\"") << "\\\" is three backslashes and a quote";
    EXPECT_EQ(QuoteArgument("a b\\"), "\"a b\\\\\"") << "doubled before the closing quote";
    EXPECT_EQ(QuoteArgument("[::1]"), "[::1]");
}

TEST(InstallProperties, TheConfigureCommandLineCarriesWhatConfigureWrites) {
    const PropertyValues values = {
        {"ALLOWEDSOURCES", "page; server:[::1]:123"},
        {"TIMESOURCE", "auto"},
        {"TIMESERVER", ""},
        {"AUTOSTART", "0"},
        {"REQUIREAUTHENTICATED", "1"},
        {"OTHER", "x"},
    };
    EXPECT_EQ(ConfigureCommandLine(values),
              "TIMESOURCE=auto \"ALLOWEDSOURCES=page; server:[::1]:123\" REQUIREAUTHENTICATED=1");
    EXPECT_EQ(ConfigureCommandLine({}), "");
    EXPECT_EQ(ConfigureCommandLine({{"AUTOSTART", "1"}}), "") << "the package's own";

    // What the program's argv gives back of that line.
    const auto read =
        ReadConfigureArguments({"TIMESOURCE=auto", "ALLOWEDSOURCES=page; server:[::1]:123"});
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, (PropertyValues{{"TIMESOURCE", "auto"},
                                     {"ALLOWEDSOURCES", "page; server:[::1]:123"}}));
    EXPECT_EQ(ReadConfigureArguments({}), PropertyValues{});
    EXPECT_EQ(ReadConfigureArguments({"TIMEWEBURL=http://a/?b=c"}),
              (PropertyValues{{"TIMEWEBURL", "http://a/?b=c"}}));
    for (const char* odd : {"TIMESOURCE", "AUTOSTART=0", "OTHER=1", "timesource=auto", "=x"})
        EXPECT_EQ(ReadConfigureArguments({odd}), std::nullopt) << odd;
}

}  // namespace
}  // namespace horolux::install
