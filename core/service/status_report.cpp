#include "core/service/status_report.h"

#include <algorithm>
#include <cstdio>

#include "core/timesource/time_source.h"

namespace horolux::service {

namespace {

std::string TimeText(const SystemTime& t, const char* format) {
    char text[40];
    std::snprintf(text, sizeof text, format, t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond, t.wMilliseconds);
    return text;
}

std::string PersonTime(const SystemTime& t) {
    return TimeText(t, "%04u-%02u-%02u %02u:%02u:%02u UTC");
}

std::string JsonTime(const SystemTime& t) {
    return JsonString(TimeText(t, "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ"));
}

// Test's offset text, with the program's plus-minus sign spelt out.
std::string PersonOffset(std::int64_t offset, std::int64_t bound) {
    std::string text = OffsetText(offset, bound);
    if (const auto at = text.find('\xB1'); at != std::string::npos) text.replace(at, 1, "+/-");
    return text;
}

std::string Joined(const std::vector<std::string>& texts, const char* separator) {
    std::string joined;
    for (const std::string& text : texts) joined += (joined.empty() ? "" : separator) + text;
    return joined;
}

std::string JsonList(const std::vector<std::string>& texts) {
    std::string list = "[";
    for (const std::string& text : texts) {
        if (list.size() > 1) list += ',';
        list += JsonString(text);
    }
    return list + "]";
}

std::string JsonSeconds(bool measured, std::int64_t micros) {
    return measured ? ExactSeconds(micros) : "null";
}

// The code point of the UTF-8 sequence at text[at], and its length; nothing when the bytes there
// are no well-formed sequence (overlong, a surrogate, past U+10FFFF or cut short).
bool DecodeUtf8(std::string_view text, std::size_t at, std::uint32_t& code, std::size_t& length) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[at + i]); };
    const std::uint8_t lead = byte(0);
    std::uint32_t smallest = 0;
    if (lead < 0x80) {
        code = lead, length = 1;
        return true;
    }
    if (lead >= 0xC2 && lead <= 0xDF)
        code = lead & 0x1F, length = 2, smallest = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF)
        code = lead & 0x0F, length = 3, smallest = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4)
        code = lead & 0x07, length = 4, smallest = 0x10000;
    else
        return false;
    if (text.size() - at < length) return false;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return false;
        code = code << 6 | (byte(i) & 0x3F);
    }
    return code >= smallest && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

void AppendEscape(std::string& out, std::uint32_t unit) {
    char text[8];
    std::snprintf(text, sizeof text, "\\u%04x", static_cast<unsigned>(unit));
    out += text;
}

std::string PolicyJson(const PolicyValue& value) {
    switch (value.kind) {
        case policy::Kind::Number:
            return std::to_string(value.number);
        case policy::Kind::Text:
            return JsonString(value.texts.empty() ? std::string() : value.texts.front());
        case policy::Kind::TextList:
        default:
            return JsonList(value.texts);
    }
}

std::string PolicyLine(const PolicyValue& value) {
    if (value.kind == policy::Kind::Number)
        return value.name + " = " + std::to_string(value.number);
    return value.name + " = " + Joined(value.texts, "; ");
}

void AppendLastSyncText(std::string& text, const LastSync& last) {
    const SyncAnswer& a = last.answer;
    text += "Last sync: " + PersonTime(last.when) + ", for " + last.client + ", from " +
            last.source + (a.authenticated ? " (authenticated)" : "") + "\n";
    text += "  Outcome: " + std::string(SyncStatusName(a.status)) +
            (a.failure.empty() ? "" : ": " + a.failure) + "\n";
    if (a.measured) text += "  Offset: " + PersonOffset(a.offset, a.bound) + "\n";
    for (const SourceRow& row : a.sources)
        text += "  " + row.name + ": " + VerdictText(row) +
                (row.measured ? ", " + PersonOffset(row.offset, row.bound) : "") + "\n";
}

std::string LastSyncJson(const LastSync& last) {
    const SyncAnswer& a = last.answer;
    std::string json = "{\"when\":" + JsonTime(last.when) + ",\"for\":" + JsonString(last.client) +
                       ",\"source\":" + JsonString(last.source) +
                       ",\"outcome\":" + JsonString(SyncStatusName(a.status)) +
                       ",\"succeeded\":" + (a.status == SyncStatus::Ok ? "true" : "false") +
                       ",\"failure\":" + JsonString(a.failure) +
                       ",\"offset\":" + JsonSeconds(a.measured, a.offset) +
                       ",\"bound\":" + JsonSeconds(a.measured, a.bound) +
                       ",\"authenticated\":" + (a.authenticated ? "true" : "false") +
                       ",\"sources\":[";
    for (std::size_t i = 0; i < a.sources.size(); ++i) {
        const SourceRow& row = a.sources[i];
        json += std::string(i ? "," : "") + "{\"name\":" + JsonString(row.name) +
                ",\"verdict\":" + JsonString(VerdictText(row)) +
                ",\"offset\":" + JsonSeconds(row.measured, row.offset) +
                ",\"bound\":" + JsonSeconds(row.measured, row.bound) + "}";
    }
    return json + "]}";
}

}  // namespace

int StatusExitCode(const StatusAnswer& status) {
    return status.lastSync && status.lastSync->answer.status == SyncStatus::Ok ? kStatusSynced
                                                                               : kStatusNotSynced;
}

const char* SyncStatusName(SyncStatus status) {
    switch (status) {
        case SyncStatus::Ok:
            return "ok";
        case SyncStatus::ConnectFailed:
            return "connect failed";
        case SyncStatus::ReadFailed:
            return "read failed";
        case SyncStatus::NotRecognised:
            return "not recognised";
        case SyncStatus::ClockRefused:
            return "clock refused";
        case SyncStatus::LargeCorrection:
            return "large correction";
        case SyncStatus::NotAllowed:
            return "not allowed";
        case SyncStatus::BadRequest:
            return "bad request";
        case SyncStatus::Busy:
            return "busy";
    }
    return "unknown";
}

std::string StatusText(const StatusAnswer& status) {
    std::string text =
        "Horolux Time Service, running since " + PersonTime(status.runningSince) + "\n";
    text += std::string("Allowed sources (") +
            (status.allowListFromPolicy ? "Group Policy" : "the service's list") + "):";
    if (status.allowListUnreadable)
        text += " the value is no list of strings, so none is allowed\n";
    else
        text += status.allowList.empty() ? " none\n" : "\n";
    for (const std::string& entry : status.allowList) {
        const bool ignored =
            std::find(status.ignored.begin(), status.ignored.end(), entry) != status.ignored.end();
        text += "  " + entry + (ignored ? " (ignored: not a source entry)" : "") + "\n";
    }
    text += status.policy.empty() ? "Policy: none\n" : "Policy:\n";
    for (const PolicyValue& value : status.policy) text += "  " + PolicyLine(value) + "\n";
    if (status.lastSync)
        AppendLastSyncText(text, *status.lastSync);
    else
        text += "Last sync: none since the service started\n";
    return text;
}

std::string StatusJson(const StatusAnswer& status) {
    std::string json =
        "{\"runningSince\":" + JsonTime(status.runningSince) +
        ",\"allowList\":{\"fromPolicy\":" + (status.allowListFromPolicy ? "true" : "false") +
        ",\"unreadable\":" + (status.allowListUnreadable ? "true" : "false") +
        ",\"entries\":" + JsonList(status.allowList) + ",\"ignored\":" + JsonList(status.ignored) +
        "},\"policy\":{";
    for (std::size_t i = 0; i < status.policy.size(); ++i)
        json += std::string(i ? "," : "") + JsonString(status.policy[i].name) + ":" +
                PolicyJson(status.policy[i]);
    json += "},\"lastSync\":" + (status.lastSync ? LastSyncJson(*status.lastSync) : "null");
    return json + "}\n";
}

std::string ExactSeconds(std::int64_t micros) {
    const bool negative = micros < 0;
    // The magnitude unsigned, so that the most negative number has one too.
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(micros) : static_cast<std::uint64_t>(micros);
    char text[32];
    std::snprintf(text, sizeof text, "%s%llu.%06llu", negative ? "-" : "",
                  static_cast<unsigned long long>(magnitude / 1000000),
                  static_cast<unsigned long long>(magnitude % 1000000));
    return text;
}

std::string MomentText(const SystemTime& t) {
    return TimeText(t, "%04u-%02u-%02u %02u:%02u:%02u.%03u");
}

std::string UnreachableJson(std::string_view why) {
    return "{\"error\":" + JsonString(why) + "}\n";
}

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (std::size_t at = 0; at < utf8.size();) {
        std::uint32_t code = 0;
        std::size_t length = 1;
        if (!DecodeUtf8(utf8, at, code, length)) code = 0xFFFD, length = 1;
        at += length;
        if (code == '"' || code == '\\') {
            out += '\\';
            out += static_cast<char>(code);
        } else if (code >= 0x20 && code < 0x7F) {
            out += static_cast<char>(code);
        } else if (code < 0x10000) {
            AppendEscape(out, code);
        } else {
            code -= 0x10000;
            AppendEscape(out, 0xD800 + (code >> 10));
            AppendEscape(out, 0xDC00 + (code & 0x3FF));
        }
    }
    return out + "\"";
}

}  // namespace horolux::service
