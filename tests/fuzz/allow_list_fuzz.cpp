// Any list an administrator may write and any request a program may send are read and matched
// without a fault; the entry made for a request reads and allows it; a request no entry can be
// made for is never allowed; a server's host compares in any case; of several sources, each is
// either measured or named as not allowed.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/service/allow_list.h"
#include "core/service/service_protocol.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horolux::service;
    using horolux::TimeSource;
    using horolux::fuzz::Check;
    FuzzedDataProvider in(data, size);
    const int count = in.ConsumeIntegralInRange(0, 8);
    horolux::SyncRequest request;
    request.source = static_cast<TimeSource>(in.ConsumeIntegralInRange(0, 3));
    std::vector<std::string> entries;
    for (int i = 0; i < count; ++i) entries.push_back(in.ConsumeRandomLengthString(128));
    const std::string text = in.ConsumeRandomLengthString(kMaxSourceText);
    // As the pipe brings it: a text that does not read is refused before any list is asked.
    const auto sources = ReadRequestSources(request.source, text);
    if (!sources) return 0;
    request.sources = *sources;

    const AllowListRead read = ParseAllowList(entries);
    Check(read.list.servers.size() + read.list.ntsServers.size() + read.list.urls.size() +
                  read.ignored.size() + (read.list.page ? 1 : 0) <=
              entries.size(),
          "every entry is kept once or reported");
    const bool allowed = IsAllowed(read.list, request);
    if (request.source == TimeSource::TimeServer) {
        const auto upper = ReadRequestSources(request.source, Upper(text));
        Check(upper && IsAllowed(read.list, {request.source, *upper, false}) == allowed,
              "a server's host compares in any case");
    }
    if (request.source == TimeSource::Automatic) {
        const AllowedRequest part = AllowedPart(read.list, request);
        Check((part.request ? part.request->sources.size() : 0) + part.notAllowed.size() ==
                  request.sources.size(),
              "each of several sources is measured or named as not allowed");
    }

    const std::string entry = AllowListEntry(request);
    if (entry.empty()) {
        Check(!allowed, "a request no entry can allow is not allowed");
        return 0;
    }
    const AllowListRead own = ParseAllowList({entry});
    Check(own.ignored.empty(), "the entry made for a request reads");
    Check(IsAllowed(own.list, request), "the entry made for a request allows it");
    entries.push_back(entry);
    Check(IsAllowed(ParseAllowList(entries).list, request), "and does so among other entries");
    return 0;
}
