#pragma once
// What the time service does with one request: check it, measure the source, set the clock and
// say how it went.
#include <cstdint>
#include <span>
#include <vector>

namespace service {

std::vector<std::uint8_t> AnswerSyncRequest(std::span<const std::uint8_t> request);

}  // namespace service
