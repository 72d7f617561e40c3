#include "core/settings/install_properties.h"

#include <algorithm>

#include "core/text/ascii.h"
#include "core/timesource/source_entry.h"

namespace horolux::install {

namespace {

// What each property must be, as the message names it.
constexpr char kTimeSourceRule[] = "page, server, web or auto";
constexpr char kTimeServerRule[] = "a host name or address with an optional :port";
constexpr char kTimeWebUrlRule[] = "an http:// or https:// address with a host";
constexpr char kAutoSourcesRule[] = "server:HOST[:PORT], nts:HOST[:PORT] or web:URL";
constexpr char kAllowedSourcesRule[] = "page, server:HOST[:PORT], nts:HOST[:PORT] or web:URL";
constexpr char kAutoStartRule[] = "0 or 1";
constexpr char kRequireAuthenticatedRule[] = "0 or 1";

std::string MustBe(const char* property, const char* rule, std::string_view given) {
    return std::string(property) + " must be " + rule + ", not \"" + std::string(given) + "\".";
}

std::string EntriesMustBe(const char* property, const char* rule, std::string_view given) {
    return std::string(property) + " entries must be " + rule + ", not \"" + std::string(given) +
           "\".";
}

std::string NamesNoSource(const char* property) {
    return std::string(property) + " names no source.";
}

const std::string* Given(const PropertyValues& values, const char* name) {
    const auto found = values.find(name);
    return found == values.end() || found->second.empty() ? nullptr : &found->second;
}

bool IsConfigured(std::string_view name) {
    return name != kAutoStartProperty &&
           std::any_of(std::begin(kPropertyNames), std::end(kPropertyNames),
                       [&](const char* known) { return name == known; });
}

}  // namespace

std::optional<TimeSource> ReadTimeSourceWord(std::string_view word) {
    const std::string lower = AsciiLower(TrimBlanks(word));
    if (lower == "page") return TimeSource::Page;
    if (lower == "server") return TimeSource::TimeServer;
    if (lower == "web") return TimeSource::WebServer;
    if (lower == "auto") return TimeSource::Automatic;
    return std::nullopt;
}

std::vector<std::string> SplitPropertyList(std::string_view text) {
    std::vector<std::string> entries;
    while (true) {
        const std::size_t end = text.find(';');
        const std::string_view entry = TrimBlanks(text.substr(0, end));
        if (!entry.empty()) entries.emplace_back(entry);
        if (end == std::string_view::npos) return entries;
        text.remove_prefix(end + 1);
    }
}

InstallPropertiesRead ReadInstallProperties(const PropertyValues& values) {
    InstallPropertiesRead read;
    InstallProperties& p = read.properties;
    if (const std::string* word = Given(values, kTimeSourceProperty)) {
        p.timeSource = ReadTimeSourceWord(*word);
        if (!p.timeSource) {
            read.error = MustBe(kTimeSourceProperty, kTimeSourceRule, *word);
            return read;
        }
    }
    if (const std::string* server = Given(values, kTimeServerProperty)) {
        const std::string_view text = TrimBlanks(*server);
        if (!SourceEntryOf(TimeSource::TimeServer, text)) {
            read.error = MustBe(kTimeServerProperty, kTimeServerRule, *server);
            return read;
        }
        p.timeServer = std::string(text);
    }
    if (const std::string* url = Given(values, kTimeWebUrlProperty)) {
        const std::string_view text = TrimBlanks(*url);
        if (!SourceEntryOf(TimeSource::WebServer, text)) {
            read.error = MustBe(kTimeWebUrlProperty, kTimeWebUrlRule, *url);
            return read;
        }
        p.timeWebUrl = std::string(text);
    }
    if (const std::string* list = Given(values, kAutoSourcesProperty)) {
        std::vector<std::string> entries = SplitPropertyList(*list);
        if (entries.empty()) {
            read.error = NamesNoSource(kAutoSourcesProperty);
            return read;
        }
        for (const std::string& entry : entries) {
            // The page tells whole seconds only: it is not one of several sources.
            const std::optional<SourceEntry> source = ReadSourceEntry(entry);
            if (!source || source->kind == TimeSource::Page) {
                read.error = EntriesMustBe(kAutoSourcesProperty, kAutoSourcesRule, entry);
                return read;
            }
        }
        p.autoSources = std::move(entries);
    }
    if (const std::string* list = Given(values, kAllowedSourcesProperty)) {
        std::vector<std::string> entries = SplitPropertyList(*list);
        if (entries.empty()) {
            read.error = NamesNoSource(kAllowedSourcesProperty);
            return read;
        }
        // The allow-list reads its entries as every other list of sources.
        const SourceEntriesRead allowList = ReadSourceEntries(entries);
        if (!allowList.ignored.empty()) {
            read.error =
                EntriesMustBe(kAllowedSourcesProperty, kAllowedSourcesRule, allowList.ignored[0]);
            return read;
        }
        p.allowedSources = std::move(entries);
    }
    if (const std::string* autoStart = Given(values, kAutoStartProperty)) {
        // Exactly the package's own spellings: its component condition compares with "0".
        if (*autoStart != "0" && *autoStart != "1") {
            read.error = MustBe(kAutoStartProperty, kAutoStartRule, *autoStart);
            return read;
        }
        p.autoStart = *autoStart == "1";
    }
    if (const std::string* require = Given(values, kRequireAuthenticatedProperty)) {
        // The stored value's two spellings, as AUTOSTART's.
        if (*require != "0" && *require != "1") {
            read.error = MustBe(kRequireAuthenticatedProperty, kRequireAuthenticatedRule, *require);
            return read;
        }
        p.requireAuthenticated = *require == "1";
    }
    return read;
}

std::string AsFormattedText(std::string_view text) {
    std::string formatted;
    for (const char c : text) {
        if (c == '[' || c == ']' || c == '{' || c == '}') {
            formatted += "[\\";
            formatted += c;
            formatted += ']';
        } else {
            formatted += c;
        }
    }
    return formatted;
}

std::string QuoteArgument(std::string_view argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos)
        return std::string(argument);
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only in front of a quote: doubled there, with one more for the quote.
        if (c == '"') quoted.append(backslashes + 1, '\\');
        quoted.append(backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');  // before the closing quote
    quoted += '"';
    return quoted;
}

std::string ConfigureCommandLine(const PropertyValues& values) {
    std::string line;
    for (const char* name : kPropertyNames) {
        const std::string* value = Given(values, name);
        if (!value || !IsConfigured(name)) continue;
        if (!line.empty()) line += ' ';
        line += QuoteArgument(std::string(name) + '=' + *value);
    }
    return line;
}

std::optional<PropertyValues> ReadConfigureArguments(const std::vector<std::string>& arguments) {
    PropertyValues values;
    for (const std::string& argument : arguments) {
        const std::size_t equals = argument.find('=');
        if (equals == std::string::npos) return std::nullopt;
        const std::string name = argument.substr(0, equals);
        if (!IsConfigured(name)) return std::nullopt;
        values[name] = argument.substr(equals + 1);
    }
    return values;
}

}  // namespace horolux::install
