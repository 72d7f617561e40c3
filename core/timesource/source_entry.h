#pragma once
// The one reader of the entries that name time sources in settings: the time service's
// AllowedSources and the Automatic source's AutoSources (REG_MULTI_SZ, one entry per string):
//   "page"                              the time page
//   "server:HOST" or "server:HOST:PORT" an Internet time server (an IPv6 address with a port in
//                                       brackets; no port means 123)
//   "nts:HOST" or "nts:HOST:PORT"       a time server asked over Network Time Security, PORT
//                                       that of its key establishment (no port means 4460)
//   "web:URL"                           a web-server clock (an http:// or https:// URL)
// Blanks around an entry, its prefix and its value are ignored and prefixes are read in any case.
// An entry is read into its canonical form: host names in lower case, a URL's scheme and host in
// lower case, a blank in it as %20 and the rest as written, so that two entries naming one source
// compare equal, and an entry's text holds no blank.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/timesource/ntp_exchange.h"
#include "core/timesource/source_kind.h"

namespace horolux {

struct SourceEntry {
    TimeSource kind = TimeSource::Page;  // Page, TimeServer, NtsServer or WebServer
    ServerAddress server;                // TimeServer, NtsServer (the key establishment's port)
    std::string url;                     // WebServer
    bool operator==(const SourceEntry& other) const;
};

std::optional<SourceEntry> ReadSourceEntry(std::string_view text);

// The source that a sync request or a stored choice names with source and text, in canonical
// form; nothing for a text the program would not use for it (the page takes no text, a server
// text must name its host, a URL must be http:// or https:// with a host). NtsServer and
// Automatic name no one source: nothing.
std::optional<SourceEntry> SourceEntryOf(TimeSource source, std::string_view text);

// The entry as text: "page", "server:HOST" with ":PORT" when it is not 123 (an IPv6 host in
// brackets, always with its port), "nts:HOST" the same with 4460, "web:URL". ReadSourceEntry reads
// it back to the same entry.
std::string SourceEntryText(const SourceEntry& entry);
// The entry's text after its prefix ("HOST[:PORT]", the URL), as SourceEntryOf reads it; empty
// for the page.
std::string SourceEntryValue(const SourceEntry& entry);

std::vector<std::string> SourceEntryTexts(const std::vector<SourceEntry>& entries);

// A stored list of entries read: those that do not read are left out and returned in ignored, as
// written.
struct SourceEntriesRead {
    std::vector<SourceEntry> entries;
    std::vector<std::string> ignored;
};
SourceEntriesRead ReadSourceEntries(const std::vector<std::string>& texts);

// The name a source goes by wherever it is shown: the host, with its port when it is not the
// source's default ("127.0.0.1:12125"), so that two servers on one host can be told apart.
std::string SourceEntryName(const SourceEntry& entry);

}  // namespace horolux
