// Any values a deployment command line may give the package's properties are read without a
// fault; what reads is what the program and the service read in turn; and the arguments made
// for --configure come back through Windows' command line rules as they were given.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/service/allow_list.h"
#include "core/settings/install_properties.h"
#include "core/timesource/source_entry.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// The C runtime's split of a command line into argv (the rules QuoteArgument writes for).
std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> arguments;
    std::size_t at = 0;
    while (true) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
        if (at == line.size()) return arguments;
        std::string argument;
        bool quoted = false;
        for (; at < line.size(); ++at) {
            const char c = line[at];
            if (c == '\\') {
                std::size_t backslashes = 0;
                while (at < line.size() && line[at] == '\\') ++backslashes, ++at;
                if (at < line.size() && line[at] == '"') {
                    argument.append(backslashes / 2, '\\');
                    if (backslashes % 2 == 1) {
                        argument += '"';
                        continue;
                    }
                } else {
                    argument.append(backslashes, '\\');
                }
                --at;  // the loop steps onto the character after the backslashes
                continue;
            }
            if (c == '"') {
                quoted = !quoted;
                continue;
            }
            if (!quoted && (c == ' ' || c == '\t')) break;
            argument += c;
        }
        arguments.push_back(argument);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horolux::install;
    using horolux::fuzz::Check;
    FuzzedDataProvider in(data, size);
    PropertyValues values;
    for (const char* name : kPropertyNames) {
        std::string value = in.ConsumeRandomLengthString(160);
        for (char& c : value)
            if (c == '\0') c = ' ';  // a property's value never holds one
        values[name] = value;
    }

    const InstallPropertiesRead read = ReadInstallProperties(values);
    if (read.error.empty()) {
        const InstallProperties& p = read.properties;
        if (p.timeServer)
            Check(
                horolux::SourceEntryOf(horolux::TimeSource::TimeServer, *p.timeServer).has_value(),
                "a time server that reads is one the program uses");
        if (p.timeWebUrl)
            Check(horolux::SourceEntryOf(horolux::TimeSource::WebServer, *p.timeWebUrl).has_value(),
                  "a web address that reads is one the program uses");
        if (p.autoSources) {
            Check(!p.autoSources->empty(), "a list names a source");
            Check(horolux::ReadSourceEntries(*p.autoSources).ignored.empty(),
                  "every Automatic entry reads");
        }
        if (p.allowedSources) {
            Check(!p.allowedSources->empty(), "a list names a source");
            Check(horolux::ReadSourceEntries(*p.allowedSources).ignored.empty(),
                  "every allow-list entry reads");
        }
    } else {
        Check(read.error.find(" must be ") != std::string::npos ||
                  read.error.find(" names no source.") != std::string::npos,
              "a refusal says what the property must be");
    }

    const std::string line = ConfigureCommandLine(values);
    const std::optional<PropertyValues> back = ReadConfigureArguments(SplitCommandLine(line));
    Check(back.has_value(), "the arguments made for --configure read");
    for (const auto& [name, value] : values) {
        const bool passed = !value.empty() && name != kAutoStartProperty;
        const auto found = back->find(name);
        Check(passed ? found != back->end() && found->second == value : found == back->end(),
              "each given property comes back as given, and nothing else");
    }
    return 0;
}
