#pragma once
// A sync request of the sources a text names, as the time service's pipe carries them: a server,
// a URL, or the Automatic list's entries separated by blanks.
#include <string_view>

#include "core/service/service_protocol.h"

namespace test {

inline horolux::SyncRequest RequestOf(horolux::TimeSource source, std::string_view text,
                                      bool allowLargeCorrection = false) {
    return {source, horolux::service::ReadRequestSources(source, text).value(),
            allowLargeCorrection};
}

}  // namespace test
