#include "core/timesource/nts_session.h"

#include <algorithm>
#include <utility>

namespace horolux {

namespace {

void KeepNewest(std::deque<std::vector<std::uint8_t>>& cookies) {
    while (cookies.size() > kMaxNtsCookies) cookies.pop_front();
}

}  // namespace

std::string NtsCookieJar::Key(std::string_view host, std::uint16_t port) {
    std::string key(host);
    std::ranges::transform(key, key.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return key + ':' + std::to_string(port);
}

NtsCookieJar::Entry* NtsCookieJar::Find(const NtsTicket& ticket) {
    const auto found = sessions_.find(ticket.key_);
    return found != sessions_.end() && found->second.id == ticket.session_ ? &found->second
                                                                           : nullptr;
}

void NtsCookieJar::Store(std::string_view host, std::uint16_t port, NtsSession session) {
    KeepNewest(session.cookies);
    const std::lock_guard lock(mutex_);
    sessions_[Key(host, port)] = Entry{++lastId_, std::move(session)};
}

std::optional<NtsTicket> NtsCookieJar::Take(std::string_view host, std::uint16_t port) {
    const std::lock_guard lock(mutex_);
    const auto found = sessions_.find(Key(host, port));
    if (found == sessions_.end() || found->second.session.cookies.empty()) return std::nullopt;
    NtsSession& session = found->second.session;
    NtsTicket ticket;
    ticket.cookie = std::move(session.cookies.front());
    session.cookies.pop_front();
    ticket.clientToServer = session.clientToServer;
    ticket.serverToClient = session.serverToClient;
    ticket.ntpHost = session.ntpHost;
    ticket.ntpPort = session.ntpPort;
    ticket.placeholders = kMaxNtsCookies - 1 - std::min(session.cookies.size(), kMaxNtsCookies - 1);
    ticket.key_ = found->first;
    ticket.session_ = found->second.id;
    return ticket;
}

void NtsCookieJar::Add(const NtsTicket& ticket,
                       const std::vector<std::vector<std::uint8_t>>& cookies) {
    const std::lock_guard lock(mutex_);
    Entry* entry = Find(ticket);
    if (!entry) return;
    entry->session.cookies.insert(entry->session.cookies.end(), cookies.begin(), cookies.end());
    KeepNewest(entry->session.cookies);
}

void NtsCookieJar::Forget(const NtsTicket& ticket) {
    const std::lock_guard lock(mutex_);
    if (Find(ticket)) sessions_.erase(ticket.key_);
}

std::size_t NtsCookieJar::CookiesLeft(std::string_view host, std::uint16_t port) const {
    const std::lock_guard lock(mutex_);
    const auto found = sessions_.find(Key(host, port));
    return found == sessions_.end() ? 0 : found->second.session.cookies.size();
}

}  // namespace horolux
