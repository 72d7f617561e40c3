#include "core/service/status_message.h"

#include <algorithm>

#include "core/service/message_fields.h"

namespace horolux::service {

namespace {

using namespace fields;

constexpr std::uint32_t kFromPolicy = 1;
constexpr std::uint32_t kUnreadable = 2;
constexpr std::uint32_t kHasLastSync = 4;
constexpr std::uint32_t kLastPolicyKind = static_cast<std::uint32_t>(policy::Kind::TextList);

// Writes little-endian fields one after the other.
class Appender {
public:
    void U16(std::uint16_t v) {
        for (std::size_t i = 0; i < 2; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> 8 * i));
    }
    void U32(std::uint32_t v) {
        for (std::size_t i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> 8 * i));
    }
    void Bytes(std::span<const std::uint8_t> bytes) {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    }
    void Text(const std::string& text, std::size_t capacity) {
        const std::string printable = Printable(text, capacity);
        U32(static_cast<std::uint32_t>(printable.size()));
        bytes_.insert(bytes_.end(), printable.begin(), printable.end());
    }
    void List(const std::vector<std::string>& texts) {
        const std::size_t count = std::min(texts.size(), kMaxStatusEntries);
        U32(static_cast<std::uint32_t>(count));
        for (std::size_t i = 0; i < count; ++i) Text(texts[i], kMaxStatusText);
    }
    void Time(const SystemTime& t) {
        for (std::uint16_t v : {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute,
                                t.wSecond, t.wMilliseconds})
            U16(v);
    }
    // The header in front, once the size is known.
    std::vector<std::uint8_t> Message(const std::uint8_t (&magic)[4], std::uint16_t kind) {
        Appender header;
        header.Bytes(magic);
        header.U16(kProtocolVersion);
        header.U16(kind);
        header.U32(static_cast<std::uint32_t>(kHeaderSize + bytes_.size()));
        header.U32(0);
        header.Bytes(bytes_);
        return std::move(header.bytes_);
    }

private:
    std::vector<std::uint8_t> bytes_;
};

// Reads fields one after the other; the first failure sticks, and every later read gives zeros.
class Cursor {
public:
    explicit Cursor(std::span<const std::uint8_t> bytes, std::size_t at) : bytes_(bytes), at_(at) {}

    ReadError error() const { return error_; }
    bool AtEnd() const { return at_ == bytes_.size(); }
    void Fail(ReadError error) {
        if (error_ == ReadError::None) error_ = error;
    }

    std::span<const std::uint8_t> Take(std::size_t n) {
        if (error_ != ReadError::None || bytes_.size() - at_ < n) {
            Fail(ReadError::WrongSize);
            return {};
        }
        const auto taken = bytes_.subspan(at_, n);
        at_ += n;
        return taken;
    }
    std::uint16_t U16() {
        const auto b = Take(2);
        return b.empty() ? 0 : static_cast<std::uint16_t>(b[0] | b[1] << 8);
    }
    std::uint32_t U32() {
        const auto b = Take(4);
        std::uint32_t v = 0;
        for (std::size_t i = b.size(); i-- > 0;) v = v << 8 | b[i];
        return v;
    }
    std::string Text(std::size_t capacity) {
        const std::uint32_t length = U32();
        if (length > capacity) Fail(ReadError::BadLength);
        const auto text = Take(error_ == ReadError::None ? length : 0);
        if (!std::all_of(text.begin(), text.end(), TextByte)) Fail(ReadError::BadText);
        return error_ == ReadError::None ? std::string(text.begin(), text.end()) : std::string();
    }
    std::uint32_t Count(std::size_t largest) {
        const std::uint32_t count = U32();
        if (count > largest) Fail(ReadError::BadValue);
        return error_ == ReadError::None ? count : 0;
    }
    std::vector<std::string> List() {
        std::vector<std::string> texts(Count(kMaxStatusEntries));
        for (std::string& text : texts) text = Text(kMaxStatusText);
        return texts;
    }
    SystemTime Time() {
        SystemTime t;
        for (std::uint16_t* field : {&t.wYear, &t.wMonth, &t.wDayOfWeek, &t.wDay, &t.wHour,
                                     &t.wMinute, &t.wSecond, &t.wMilliseconds})
            *field = U16();
        if (error_ == ReadError::None && !TimeInRange(t)) Fail(ReadError::BadValue);
        return t;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_;
    ReadError error_ = ReadError::None;
};

// A request's or an answer's header: magic, version, kind, and a size field that is the byte
// count and within largest.
ReadError Header(std::span<const std::uint8_t> bytes, const std::uint8_t (&magic)[4],
                 std::uint16_t kind, std::size_t smallest, std::size_t largest) {
    if (bytes.size() < kHeaderSize) return ReadError::WrongSize;
    Cursor c(bytes, 0);
    const auto m = c.Take(4);
    if (!std::equal(m.begin(), m.end(), magic)) return ReadError::WrongMagic;
    if (c.U16() != kProtocolVersion) return ReadError::WrongVersion;
    if (c.U16() != kind) return ReadError::WrongKind;
    const std::uint32_t size = c.U32();
    if (size != bytes.size() || size < smallest || size > largest) return ReadError::WrongSize;
    if (c.U32() != 0) return ReadError::BadValue;
    return ReadError::None;
}

PolicyValue ReadPolicyValue(Cursor& c) {
    PolicyValue value;
    value.name = c.Text(kMaxPolicyName);
    const std::uint32_t kind = c.U32();
    value.number = static_cast<std::int32_t>(c.U32());
    value.texts = c.List();
    if (c.error() != ReadError::None) return value;
    if (kind > kLastPolicyKind) {
        c.Fail(ReadError::BadValue);
        return value;
    }
    value.kind = static_cast<policy::Kind>(kind);
    if ((value.kind == policy::Kind::Number && !value.texts.empty()) ||
        (value.kind != policy::Kind::Number && value.number != 0) ||
        (value.kind == policy::Kind::Text && value.texts.size() != 1))
        c.Fail(ReadError::BadValue);
    return value;
}

}  // namespace

std::uint16_t RequestKind(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderSize || !std::equal(kRequestMagic, kRequestMagic + 4, bytes.begin()))
        return 0;
    return static_cast<std::uint16_t>(bytes[kKindAt] | bytes[kKindAt + 1] << 8);
}

std::vector<std::uint8_t> EncodeStatusRequest() {
    return Appender().Message(kRequestMagic, kKindStatusRequest);
}

ReadError ReadStatusRequest(std::span<const std::uint8_t> bytes) {
    return Header(bytes, kRequestMagic, kKindStatusRequest, kStatusRequestSize, kStatusRequestSize);
}

std::vector<std::uint8_t> EncodeStatusAnswer(const StatusAnswer& answer) {
    Appender a;
    a.U32((answer.allowListFromPolicy ? kFromPolicy : 0) |
          (answer.allowListUnreadable ? kUnreadable : 0) | (answer.lastSync ? kHasLastSync : 0));
    a.Time(answer.runningSince);
    a.List(answer.allowList);
    a.List(answer.ignored);
    const std::size_t count = std::min(answer.policy.size(), kMaxPolicyValues);
    a.U32(static_cast<std::uint32_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const PolicyValue& value = answer.policy[i];
        a.Text(value.name, kMaxPolicyName);
        a.U32(static_cast<std::uint32_t>(value.kind));
        a.U32(value.kind == policy::Kind::Number ? static_cast<std::uint32_t>(value.number) : 0);
        if (value.kind == policy::Kind::Number)
            a.List({});
        else if (value.kind == policy::Kind::Text)
            a.List({value.texts.empty() ? std::string() : value.texts.front()});
        else
            a.List(value.texts);
    }
    if (answer.lastSync) {
        a.Time(answer.lastSync->when);
        a.Text(answer.lastSync->client, kMaxStatusText);
        a.Text(answer.lastSync->source, kMaxStatusText);
        const std::vector<std::uint8_t> message = EncodeAnswer(answer.lastSync->answer);
        a.U32(static_cast<std::uint32_t>(message.size()));
        a.Bytes(message);
    }
    return a.Message(kAnswerMagic, kKindStatusAnswer);
}

StatusRead ReadStatusAnswer(std::span<const std::uint8_t> bytes) {
    StatusRead read;
    read.error = Header(bytes, kAnswerMagic, kKindStatusAnswer, kHeaderSize + 4 + 16 + 3 * 4,
                        kMaxStatusAnswerSize);
    if (read.error != ReadError::None) return read;

    Cursor c(bytes, kHeaderSize);
    StatusAnswer answer;
    const std::uint32_t flags = c.U32();
    if (flags & ~(kFromPolicy | kUnreadable | kHasLastSync)) c.Fail(ReadError::BadValue);
    answer.allowListFromPolicy = (flags & kFromPolicy) != 0;
    answer.allowListUnreadable = (flags & kUnreadable) != 0;
    answer.runningSince = c.Time();
    answer.allowList = c.List();
    answer.ignored = c.List();
    answer.policy.resize(c.Count(kMaxPolicyValues));
    for (PolicyValue& value : answer.policy) value = ReadPolicyValue(c);
    if (flags & kHasLastSync) {
        LastSync last;
        last.when = c.Time();
        last.client = c.Text(kMaxStatusText);
        last.source = c.Text(kMaxStatusText);
        const std::uint32_t length = c.U32();
        const auto message = c.Take(length);
        if (c.error() == ReadError::None) {
            AnswerRead inner = ReadAnswer(message);
            if (!inner.answer) c.Fail(inner.error);
            if (inner.answer) last.answer = std::move(*inner.answer);
        }
        answer.lastSync = std::move(last);
    }
    if (c.error() == ReadError::None && !c.AtEnd()) c.Fail(ReadError::WrongSize);
    read.error = c.error();
    if (read.error == ReadError::None) read.answer = std::move(answer);
    return read;
}

}  // namespace horolux::service
