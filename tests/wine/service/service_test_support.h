#pragma once
// What the time service's tests share: the service's records caught through its seam, the user a
// request of this process comes from, and a client of a pipe of the test's own.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/service/service_names.h"
#include "core/settings/policy.h"
#include "platform/handles.h"
#include "service/service_log.h"
#include "test_registry.h"

namespace test {

// Writes entries as the allow-list value under key (the service's own, or the policy's).
inline void WriteAllowList(const char* key, const std::vector<std::string>& entries) {
    std::string data;
    for (const auto& e : entries) data += e + '\0';
    data += '\0';
    SetRaw(HKEY_LOCAL_MACHINE, key, horolux::service::kAllowedSourcesValue, REG_MULTI_SZ,
           data.data(), static_cast<DWORD>(data.size()));
}

// Puts the service's allow-list back as it was, and takes away any policy a test set.
class KeptAllowLists {
public:
    KeptAllowLists()
        : saved_(ReadRaw(HKEY_LOCAL_MACHINE, horolux::service::kServiceKey,
                         horolux::service::kAllowedSourcesValue)) {}
    ~KeptAllowLists() {
        DeleteTree(HKEY_LOCAL_MACHINE, horolux::policy::kRoot);
        if (saved_)
            SetRaw(HKEY_LOCAL_MACHINE, horolux::service::kServiceKey,
                   horolux::service::kAllowedSourcesValue, saved_->type, saved_->data.data(),
                   static_cast<DWORD>(saved_->data.size()));
        else
            DeleteTree(HKEY_LOCAL_MACHINE, horolux::service::kServiceKey);
    }
    KeptAllowLists(const KeptAllowLists&) = delete;
    KeptAllowLists& operator=(const KeptAllowLists&) = delete;

private:
    std::optional<RawValue> saved_;
};

// A record carries exactly the inserts its message in HoroluxTime.exe's message table takes: the
// message shows each, asks for none past them, and leaves no % unreplaced.
inline void ExpectMessageTakesItsInserts(const timeservice::EventRecord& record) {
    static const platform::Module exe(LoadLibraryExA((std::string("Z:") + HOROLUX_TIME_EXE).c_str(),
                                                     nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(exe) << "HoroluxTime.exe's message table";
    const auto id = static_cast<DWORD>(record.event);
    const auto marker = [](std::size_t i) {
        std::string text = "<";  // appended apart: GCC 12 warns wrongly about "<" + number
        text += std::to_string(i);
        return text += ">";
    };
    // Each insert as its marker, and inserts past the record's own ready, so that a message
    // asking for one more shows it.
    std::vector<std::string> markers;
    for (std::size_t i = 1; i <= 99; ++i)
        markers.push_back(i <= record.inserts.size() ? marker(i) : "<extra>");
    std::vector<DWORD_PTR> arguments;
    for (const std::string& marker : markers)
        arguments.push_back(reinterpret_cast<DWORD_PTR>(marker.c_str()));
    char text[1024] = {};
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, exe.Get(), id,
                       0, text, sizeof text, reinterpret_cast<va_list*>(arguments.data()));
    ASSERT_GT(length, 0u) << "no message for event " << id << ": error " << GetLastError();
    const std::string message(text, length);
    for (std::size_t i = 1; i <= record.inserts.size(); ++i)
        EXPECT_NE(message.find(marker(i)), std::string::npos)
            << "event " << id << " leaves out insert " << i << ": " << message;
    EXPECT_EQ(message.find("<extra>"), std::string::npos)
        << "event " << id << " asks for more than its " << record.inserts.size()
        << " inserts: " << message;
    EXPECT_EQ(message.find('%'), std::string::npos) << "event " << id << ": " << message;
}

// Every record made while one lives, in order; each record taken is checked against its message.
class EventCapture {
public:
    // The records so far, which are then forgotten.
    std::vector<timeservice::EventRecord> Take() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return Checked(std::move(records_));
    }
    // Waits until a record of this event came (from another thread), and takes it with the
    // records before it.
    std::vector<timeservice::EventRecord> TakeThrough(timeservice::ServiceEvent event,
                                                      DWORD timeoutMs) {
        std::unique_lock<std::mutex> lock(mutex_);
        came_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
            for (const timeservice::EventRecord& r : records_)
                if (r.event == event) return true;
            return false;
        });
        return Checked(std::move(records_));
    }

private:
    static std::vector<timeservice::EventRecord> Checked(
        std::vector<timeservice::EventRecord> records) {
        for (const timeservice::EventRecord& record : records) ExpectMessageTakesItsInserts(record);
        return records;
    }

    std::mutex mutex_;
    std::condition_variable came_;
    std::vector<timeservice::EventRecord> records_;
    timeservice::EventRedirect redirect_{[this](const timeservice::EventRecord& record) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            records_.push_back(record);
        }
        came_.notify_all();
    }};
};

// Whether the service's name of a client, "DOMAIN\user", is the user this process runs as.
inline bool IsThisUser(const std::string& client) {
    char name[257] = {};
    DWORD size = sizeof name;
    if (!GetUserNameA(name, &size)) return false;
    std::string suffix = "\\";  // appended apart: GCC 12 warns wrongly about "text" + name
    suffix += name;
    return client.size() > suffix.size() &&
           client.compare(client.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// One request and its answer over a new connection to the pipe; empty when none came.
inline std::vector<std::uint8_t> AskPipe(const std::string& pipeName,
                                         const std::vector<std::uint8_t>& request) {
    platform::FileHandle pipe;
    for (int i = 0; i < 100 && !pipe; ++i) {
        pipe.Reset(CreateFileA(pipeName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr));
        if (!pipe && GetLastError() == ERROR_PIPE_BUSY) WaitNamedPipeA(pipeName.c_str(), 100);
    }
    DWORD mode = PIPE_READMODE_MESSAGE, bytes = 0;
    if (!pipe || !SetNamedPipeHandleState(pipe.Get(), &mode, nullptr, nullptr) ||
        !WriteFile(pipe.Get(), request.data(), static_cast<DWORD>(request.size()), &bytes, nullptr))
        return {};
    std::vector<std::uint8_t> answer(8192);
    if (!ReadFile(pipe.Get(), answer.data(), static_cast<DWORD>(answer.size()), &bytes, nullptr))
        return {};
    answer.resize(bytes);
    return answer;
}

}  // namespace test
