#include "core/service/service_protocol.h"

#include <algorithm>
#include <string_view>

#include "core/service/message_fields.h"

namespace horolux::service {

namespace {

using namespace fields;

// Request body.
constexpr std::size_t kSourceAt = 16;
constexpr std::size_t kRequestFlagsAt = 20;
constexpr std::size_t kSourceTextAt = 24;  // length, then the area

// Answer body.
constexpr std::size_t kStatusAt = 16;
constexpr std::size_t kAnswerFlagsAt = 20;
constexpr std::size_t kBeforeAt = 24;
constexpr std::size_t kAfterAt = 40;
constexpr std::size_t kOffsetAt = 56;
constexpr std::size_t kBoundAt = 64;
constexpr std::size_t kRoundTripAt = 72;
constexpr std::size_t kRequestsAt = 80;
constexpr std::size_t kFailureAt = 84;  // length, then the area

// Rows of several sources, after the answer.
constexpr std::size_t kRowCountAt = kAnswerSize;
constexpr std::size_t kRowsAt = kRowCountAt + 4;
constexpr std::size_t kRowFlagsAt = 0;
constexpr std::size_t kRowOffsetAt = 4;
constexpr std::size_t kRowBoundAt = 12;
constexpr std::size_t kRowRoundTripAt = 20;
constexpr std::size_t kRowNameAt = 28;     // length, then the area
constexpr std::size_t kRowVerdictAt = 96;  // length, then the area
constexpr std::uint32_t kRowMeasured = 1;

constexpr std::uint32_t kRequestFlags =
    kRequestAllowLargeCorrection | kRequestRequireAuthenticated | kRequestUserStarted;
constexpr std::uint32_t kAnswerFlags = kAnswerMeasured | kAnswerAuthenticated;

static_assert(kSourceTextAt + 4 + kMaxSourceText == kRequestSize);
static_assert(kFailureAt + 4 + kMaxFailureText == kAnswerSize);
static_assert(kRowNameAt + 4 + kMaxSourceName == kRowVerdictAt);
static_assert(kRowVerdictAt + 4 + kMaxVerdictText == kSourceRowSize);
static_assert(kRowsAt + kMaxSourceRows * kSourceRowSize == kAnswerWithSourcesSize);

class Writer {
public:
    explicit Writer(std::size_t size) : bytes_(size, 0) {}
    void Bytes(std::size_t at, const std::uint8_t* p, std::size_t n) {
        std::copy(p, p + n, bytes_.begin() + static_cast<std::ptrdiff_t>(at));
    }
    void U16(std::size_t at, std::uint16_t v) {
        for (std::size_t i = 0; i < 2; ++i) bytes_[at + i] = static_cast<std::uint8_t>(v >> 8 * i);
    }
    void U32(std::size_t at, std::uint32_t v) {
        for (std::size_t i = 0; i < 4; ++i) bytes_[at + i] = static_cast<std::uint8_t>(v >> 8 * i);
    }
    void U64(std::size_t at, std::uint64_t v) {
        for (std::size_t i = 0; i < 8; ++i) bytes_[at + i] = static_cast<std::uint8_t>(v >> 8 * i);
    }
    void Header(const std::uint8_t (&magic)[4], std::uint16_t kind) {
        Bytes(0, magic, 4);
        U16(kVersionAt, kProtocolVersion);
        U16(kKindAt, kind);
        U32(kSizeAt, static_cast<std::uint32_t>(bytes_.size()));
    }
    // The text cut to capacity; the rest of the area stays zero.
    void Text(std::size_t at, const std::string& text, std::size_t capacity) {
        const std::size_t n = std::min(text.size(), capacity);
        U32(at, static_cast<std::uint32_t>(n));
        for (std::size_t i = 0; i < n; ++i) bytes_[at + 4 + i] = static_cast<std::uint8_t>(text[i]);
    }
    void Time(std::size_t at, const SystemTime& t) {
        const std::uint16_t fields[] = {t.wYear, t.wMonth,  t.wDayOfWeek, t.wDay,
                                        t.wHour, t.wMinute, t.wSecond,    t.wMilliseconds};
        for (std::size_t i = 0; i < 8; ++i) U16(at + 2 * i, fields[i]);
    }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint16_t U16(std::size_t at) const {
        return static_cast<std::uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
    }
    std::uint32_t U32(std::size_t at) const {
        std::uint32_t v = 0;
        for (std::size_t i = 4; i-- > 0;) v = v << 8 | bytes_[at + i];
        return v;
    }
    bool Zero(std::size_t at, std::size_t n) const {
        const auto area = bytes_.subspan(at, n);
        return std::all_of(area.begin(), area.end(), [](std::uint8_t b) { return b == 0; });
    }
    std::uint16_t Kind() const { return bytes_.size() >= kHeaderSize ? U16(kKindAt) : 0; }
    std::int64_t I64(std::size_t at) const {
        std::uint64_t v = 0;
        for (std::size_t i = 8; i-- > 0;) v = v << 8 | bytes_[at + i];
        return static_cast<std::int64_t>(v);
    }

    // The header checked against the message kind expected and its fixed size.
    ReadError Header(const std::uint8_t (&magic)[4], std::uint16_t kind, std::size_t size) const {
        if (bytes_.size() < kHeaderSize) return ReadError::WrongSize;
        if (!std::equal(magic, magic + 4, bytes_.begin())) return ReadError::WrongMagic;
        if (U16(kVersionAt) != kProtocolVersion) return ReadError::WrongVersion;
        if (U16(kKindAt) != kind) return ReadError::WrongKind;
        if (U32(kSizeAt) != size || bytes_.size() != size) return ReadError::WrongSize;
        if (U32(kReservedAt) != 0) return ReadError::BadValue;
        return ReadError::None;
    }

    ReadError Text(std::size_t at, std::size_t capacity, std::string& text) const {
        const std::uint32_t length = U32(at);
        if (length > capacity) return ReadError::BadLength;
        const auto area = bytes_.subspan(at + 4, capacity);
        const auto used = area.first(length);
        if (!std::all_of(used.begin(), used.end(), TextByte)) return ReadError::BadText;
        const auto rest = area.subspan(length);
        if (std::any_of(rest.begin(), rest.end(), [](std::uint8_t c) { return c != 0; }))
            return ReadError::BadText;
        text.assign(used.begin(), used.end());
        return ReadError::None;
    }

    std::optional<SystemTime> Time(std::size_t at) const {
        SystemTime t;
        std::uint16_t* fields[] = {&t.wYear, &t.wMonth,  &t.wDayOfWeek, &t.wDay,
                                   &t.wHour, &t.wMinute, &t.wSecond,    &t.wMilliseconds};
        for (std::size_t i = 0; i < 8; ++i) *fields[i] = U16(at + 2 * i);
        // All zero: not known, the sync ended before the clock was read.
        if (TimeIsZero(t) || TimeInRange(t)) return t;
        return std::nullopt;
    }

private:
    std::span<const std::uint8_t> bytes_;
};

}  // namespace

namespace {

// The request's sources as its text carries them.
std::string SourcesText(const SyncRequest& request) {
    std::string text;
    for (const SourceEntry& entry : request.sources) {
        if (request.source == TimeSource::Automatic)
            text += (text.empty() ? "" : " ") + SourceEntryText(entry);
        else if (request.source != TimeSource::Page)
            return SourceEntryValue(entry);
    }
    return text;
}

}  // namespace

std::optional<std::vector<SourceEntry>> ReadRequestSources(TimeSource source,
                                                           std::string_view text) {
    std::vector<SourceEntry> sources;
    if (source == TimeSource::Page) {
        if (!text.empty()) return std::nullopt;
    } else if (source != TimeSource::Automatic) {
        std::optional<SourceEntry> entry = SourceEntryOf(source, text);
        if (!entry) return std::nullopt;
        sources.push_back(std::move(*entry));
    } else {
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = std::min(text.find(' ', start), text.size());
            if (end > start) {
                std::optional<SourceEntry> entry = ReadSourceEntry(text.substr(start, end - start));
                if (!entry) return std::nullopt;
                sources.push_back(std::move(*entry));
            }
            start = end + 1;
        }
    }
    return sources;
}

namespace {

// A verdict as VerdictText writes it.
std::optional<SourceRow> VerdictOf(std::string_view text) {
    constexpr std::string_view kRefused = "refused: ";
    SourceRow row;
    if (text.substr(0, kRefused.size()) == kRefused) {
        row.verdict = SourceVerdict::Refused;
        row.reason = std::string(text.substr(kRefused.size()));
        return row;
    }
    for (const SourceVerdict verdict :
         {SourceVerdict::Used, SourceVerdict::Disagrees, SourceVerdict::NoAnswer,
          SourceVerdict::NotAllowed, SourceVerdict::NotAuthenticated}) {
        row.verdict = verdict;
        for (const bool authenticated : {false, true}) {
            row.authenticated = authenticated;
            if (VerdictText(row) == text) return row;
        }
    }
    return std::nullopt;
}

}  // namespace

std::vector<std::uint8_t> EncodeRequest(const SyncRequest& request) {
    Writer w(kRequestSize);
    w.Header(kRequestMagic, kKindRequest);
    w.U32(kSourceAt, static_cast<std::uint32_t>(request.source));
    w.U32(kRequestFlagsAt, (request.allowLargeCorrection ? kRequestAllowLargeCorrection : 0) |
                               (request.requireAuthenticated ? kRequestRequireAuthenticated : 0) |
                               (request.userStarted ? kRequestUserStarted : 0));
    w.Text(kSourceTextAt, SourcesText(request), kMaxSourceText);
    return w.Take();
}

std::vector<std::uint8_t> EncodeAnswer(const SyncAnswer& answer) {
    const bool rows = !answer.sources.empty();
    Writer w(rows ? kAnswerWithSourcesSize : kAnswerSize);
    w.Header(kAnswerMagic, rows ? kKindAnswerWithSources : kKindAnswer);
    w.U32(kStatusAt, static_cast<std::uint32_t>(answer.status));
    w.U32(kAnswerFlagsAt, (answer.measured ? kAnswerMeasured : 0) |
                              (answer.authenticated ? kAnswerAuthenticated : 0));
    w.Time(kBeforeAt, answer.before);
    w.Time(kAfterAt, answer.after);
    w.U64(kOffsetAt, static_cast<std::uint64_t>(answer.offset));
    w.U64(kBoundAt, static_cast<std::uint64_t>(answer.bound));
    w.U64(kRoundTripAt, static_cast<std::uint64_t>(answer.roundTrip));
    w.U32(kRequestsAt, static_cast<std::uint32_t>(answer.requests));
    w.Text(kFailureAt, Printable(answer.failure, kMaxFailureText), kMaxFailureText);
    const std::size_t count = std::min(answer.sources.size(), kMaxSourceRows);
    if (rows) w.U32(kRowCountAt, static_cast<std::uint32_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const SourceRow& row = answer.sources[i];
        const std::size_t at = kRowsAt + i * kSourceRowSize;
        w.U32(at + kRowFlagsAt, row.measured ? kRowMeasured : 0);
        w.U64(at + kRowOffsetAt, static_cast<std::uint64_t>(row.offset));
        w.U64(at + kRowBoundAt, static_cast<std::uint64_t>(row.bound));
        w.U64(at + kRowRoundTripAt, static_cast<std::uint64_t>(row.roundTrip));
        w.Text(at + kRowNameAt, Printable(row.name, kMaxSourceName), kMaxSourceName);
        w.Text(at + kRowVerdictAt, Printable(VerdictText(row), kMaxVerdictText), kMaxVerdictText);
    }
    return w.Take();
}

RequestRead ReadRequest(std::span<const std::uint8_t> bytes) {
    const Reader r(bytes);
    RequestRead read;
    read.error = r.Header(kRequestMagic, kKindRequest, kRequestSize);
    if (read.error != ReadError::None) return read;

    SyncRequest request;
    std::string text;
    read.error = r.Text(kSourceTextAt, kMaxSourceText, text);
    if (read.error != ReadError::None) return read;
    const std::uint32_t source = r.U32(kSourceAt);
    const std::uint32_t flags = r.U32(kRequestFlagsAt);
    if (source > static_cast<std::uint32_t>(TimeSource::Automatic) ||
        (flags & ~kRequestFlags) != 0) {
        read.error = ReadError::BadValue;
        return read;
    }
    request.source = static_cast<TimeSource>(source);
    std::optional<std::vector<SourceEntry>> sources = ReadRequestSources(request.source, text);
    if (!sources) {
        read.error = ReadError::BadValue;
        return read;
    }
    request.sources = std::move(*sources);
    request.allowLargeCorrection = (flags & kRequestAllowLargeCorrection) != 0;
    request.requireAuthenticated = (flags & kRequestRequireAuthenticated) != 0;
    request.userStarted = (flags & kRequestUserStarted) != 0;
    read.request = std::move(request);
    return read;
}

namespace {

ReadError ReadRows(const Reader& r, std::vector<SourceRow>& rows) {
    const std::uint32_t count = r.U32(kRowCountAt);
    // None would have been written as a plain answer.
    if (count == 0 || count > kMaxSourceRows) return ReadError::BadValue;
    for (std::size_t i = 0; i < kMaxSourceRows; ++i) {
        const std::size_t at = kRowsAt + i * kSourceRowSize;
        if (i >= count) {
            if (!r.Zero(at, kSourceRowSize)) return ReadError::BadValue;
            continue;
        }
        std::string name, verdict;
        if (const ReadError e = r.Text(at + kRowNameAt, kMaxSourceName, name); e != ReadError::None)
            return e;
        if (const ReadError e = r.Text(at + kRowVerdictAt, kMaxVerdictText, verdict);
            e != ReadError::None)
            return e;
        std::optional<SourceRow> read = VerdictOf(verdict);
        if (!read) return ReadError::BadValue;
        SourceRow row = std::move(*read);
        row.name = std::move(name);
        const std::uint32_t flags = r.U32(at + kRowFlagsAt);
        row.measured = flags == kRowMeasured;
        row.offset = r.I64(at + kRowOffsetAt);
        row.bound = r.I64(at + kRowBoundAt);
        row.roundTrip = r.I64(at + kRowRoundTripAt);
        if ((flags & ~kRowMeasured) != 0 || row.bound < 0 || row.roundTrip < 0)
            return ReadError::BadValue;
        rows.push_back(std::move(row));
    }
    return ReadError::None;
}

}  // namespace

AnswerRead ReadAnswer(std::span<const std::uint8_t> bytes) {
    const Reader r(bytes);
    AnswerRead read;
    const bool rows = r.Kind() == kKindAnswerWithSources;
    read.error = r.Header(kAnswerMagic, rows ? kKindAnswerWithSources : kKindAnswer,
                          rows ? kAnswerWithSourcesSize : kAnswerSize);
    if (read.error != ReadError::None) return read;

    SyncAnswer answer;
    read.error = r.Text(kFailureAt, kMaxFailureText, answer.failure);
    if (read.error != ReadError::None) return read;
    const std::uint32_t status = r.U32(kStatusAt);
    const std::uint32_t flags = r.U32(kAnswerFlagsAt);
    const std::optional<SystemTime> before = r.Time(kBeforeAt);
    const std::optional<SystemTime> after = r.Time(kAfterAt);
    answer.offset = r.I64(kOffsetAt);
    answer.bound = r.I64(kBoundAt);
    answer.roundTrip = r.I64(kRoundTripAt);
    answer.requests = static_cast<std::int32_t>(r.U32(kRequestsAt));
    if (status > kLastSyncStatus || (flags & ~kAnswerFlags) != 0 || !before || !after ||
        answer.bound < 0 || answer.roundTrip < 0 || answer.requests < 0) {
        read.error = ReadError::BadValue;
        return read;
    }
    answer.status = static_cast<SyncStatus>(status);
    answer.measured = (flags & kAnswerMeasured) != 0;
    answer.authenticated = (flags & kAnswerAuthenticated) != 0;
    answer.before = *before;
    answer.after = *after;
    if (rows) {
        read.error = ReadRows(r, answer.sources);
        if (read.error != ReadError::None) return read;
    }
    read.answer = std::move(answer);
    return read;
}

const char* ReadErrorText(ReadError error) {
    switch (error) {
        case ReadError::None:
            return "read";
        case ReadError::WrongSize:
            return "wrong size";
        case ReadError::WrongMagic:
            return "wrong magic";
        case ReadError::WrongVersion:
            return "wrong version";
        case ReadError::WrongKind:
            return "wrong kind";
        case ReadError::BadLength:
            return "text length over capacity";
        case ReadError::BadText:
            return "bad text";
        case ReadError::BadValue:
            return "bad value";
    }
    return "unknown";
}

}  // namespace horolux::service
