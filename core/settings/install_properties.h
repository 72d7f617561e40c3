#pragma once
// The MSI package's public properties for a deployment command line, and where each one goes:
//   TIMESOURCE            page, server, web or auto       Defaults\TimeSource (DWORD 0, 1, 2, 3)
//   TIMESERVER            HOST or HOST:PORT               Defaults\TimeServer
//   TIMEWEBURL            an http:// or https:// URL      Defaults\TimeWebUrl
//   AUTOSOURCES           server:/nts:/web:, ';' between  Defaults\AutoSources (REG_MULTI_SZ)
//   ALLOWEDSOURCES        allow-list entries, ';' between Service\AllowedSources (REG_MULTI_SZ)
//   AUTOSTART             1 (the package's default) or 0  the machine's Run value, or none
//   REQUIREAUTHENTICATED  1 or 0                          Defaults\RequireAuthenticated (DWORD)
// (keys under HKLM\Software\Horolux\Horolux). An empty property is one not given: its stored
// value stays as it is. The package's check reads them before anything is installed and ends the
// installation with Error() of the first one that does not read; HoroluxTime.exe --configure
// reads them again from its arguments and writes them.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/timesource/time_source.h"

namespace horolux::install {

inline constexpr char kTimeSourceProperty[] = "TIMESOURCE";
inline constexpr char kTimeServerProperty[] = "TIMESERVER";
inline constexpr char kTimeWebUrlProperty[] = "TIMEWEBURL";
inline constexpr char kAutoSourcesProperty[] = "AUTOSOURCES";
inline constexpr char kAllowedSourcesProperty[] = "ALLOWEDSOURCES";
inline constexpr char kAutoStartProperty[] = "AUTOSTART";
inline constexpr char kRequireAuthenticatedProperty[] = "REQUIREAUTHENTICATED";

// Every property above, in the order they are checked; script/package lists the same names as
// secure, so that a managed installation passes them on.
inline constexpr const char* kPropertyNames[] = {kTimeSourceProperty,          kTimeServerProperty,
                                                 kTimeWebUrlProperty,          kAutoSourcesProperty,
                                                 kAllowedSourcesProperty,      kAutoStartProperty,
                                                 kRequireAuthenticatedProperty};

// Where the defaults go under HKEY_LOCAL_MACHINE: the "Defaults" section
// (core/settings/defaults_store.h) of the key the program keeps its settings in.
inline constexpr char kMachineDefaultsKey[] = "Software\\Horolux\\Horolux\\Defaults";

// The private property the check fills with ConfigureCommandLine for the deferred --configure.
inline constexpr char kConfigureArgumentsProperty[] = "HoroluxConfigureArguments";

// Property name to value, as given; a missing name and an empty value mean the same.
using PropertyValues = std::map<std::string, std::string>;

// "page", "server", "web" or "auto" in any case, blanks around ignored; nothing for another word.
std::optional<TimeSource> ReadTimeSourceWord(std::string_view word);

// "a; b;;c;" as {"a", "b", "c"}: the entries between semicolons without the blanks around them;
// empty ones are left out.
std::vector<std::string> SplitPropertyList(std::string_view text);

// What the given properties ask for; nothing where a property was not given.
struct InstallProperties {
    std::optional<TimeSource> timeSource;
    std::optional<std::string> timeServer;  // without the blanks around it
    std::optional<std::string> timeWebUrl;
    std::optional<std::vector<std::string>> autoSources;     // as SplitPropertyList gives them
    std::optional<std::vector<std::string>> allowedSources;  // the same
    bool autoStart = true;
    std::optional<bool> requireAuthenticated;
    bool operator==(const InstallProperties&) const = default;
};

struct InstallPropertiesRead {
    InstallProperties properties;
    // The message that ends the installation, naming the first property (in kPropertyNames'
    // order) that does not read and the text given; empty when every one reads.
    std::string error;
};

// A time server and a web address must read as the program reads its stored ones; every entry
// of AUTOSOURCES must read as a time server or web clock and every one of ALLOWEDSOURCES as an
// allow-list entry, and a list must name one source at least.
InstallPropertiesRead ReadInstallProperties(const PropertyValues& values);

// The given properties that --configure writes (all but AUTOSTART, which the package's component
// condition takes), as its arguments: "NAME=value" each, quoted by Windows' command line rules
// so that the program's argv gives them back unchanged. Empty when none is given.
std::string ConfigureCommandLine(const PropertyValues& values);

// The arguments after --configure back; nothing when one is not NAME=value of such a property.
std::optional<PropertyValues> ReadConfigureArguments(const std::vector<std::string>& arguments);

// The text as the Windows Installer's formatted text that shows it unchanged: brackets and
// braces, which would name properties or groups, escaped as [\[], [\]], [\{], [\}]. (Wine 8
// formats a record's fields again after putting them into its template, so a message goes in as
// the template itself.)
std::string AsFormattedText(std::string_view text);

// One argument quoted for a Windows command line: as it is when it holds no blank or quote and
// is not empty, otherwise in quotes, with each quote and the backslashes before it or before the
// closing quote escaped.
std::string QuoteArgument(std::string_view argument);

}  // namespace horolux::install
