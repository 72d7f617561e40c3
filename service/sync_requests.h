#pragma once
// What the time service does with each request: a sync (check it, measure the source, set the
// clock and say how it went) or the status command's question. Meanwhile it keeps, in memory only,
// when it started and how its last sync went.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/service/status_message.h"
#include "core/timesource/ntp_exchange.h"
#include "service/settings_in_force.h"

namespace timeservice {

// One client at a time, as the pipe serves them: calls must not overlap.
class Requests {
public:
    explicit Requests(const horolux::SystemTime& runningSince);  // Universal Time

    // The answer to one request of client's, the user who asked ("DOMAIN\user").
    std::vector<std::uint8_t> Answer(std::span<const std::uint8_t> request,
                                     const std::string& client);

    // The allow-list in force; what is wrong with it is recorded when it differs from what was
    // recorded last, so that a list read at every request is not recorded at every request.
    AllowListInForce ReadAllowList();

private:
    std::vector<std::uint8_t> AnswerSync(const horolux::SyncRequest& request,
                                         const std::string& client);
    std::vector<std::uint8_t> AnswerStatus();

    horolux::SystemTime runningSince_;
    std::optional<horolux::service::LastSync> lastSync_;
    // A server that said "RATE" or "DENY" is not asked again while the service runs.
    horolux::RefusedServers refused_;
    std::string listFault_;  // the allow-list's fault as last recorded; empty when it had none
};

}  // namespace timeservice
