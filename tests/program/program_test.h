#pragma once
// What every whole-program test starts from: no stored settings, no autostart value, and a copy
// of Horolux.exe in a folder of its own; plus typed access to the program's Config key.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "driver.h"
#include "test_registry.h"

namespace driver {

inline const std::string kConfigKey = "Software\\Horolux\\Horolux\\Config";

inline std::optional<std::string> ConfigText(const char* name) {
    return test::ReadSz(HKEY_CURRENT_USER, kConfigKey, name);
}

inline std::optional<DWORD> ConfigInt(const char* name) {
    auto raw = test::ReadRaw(HKEY_CURRENT_USER, kConfigKey, name);
    if (!raw || raw->type != REG_DWORD || raw->data.size() != sizeof(DWORD)) return std::nullopt;
    return *reinterpret_cast<const DWORD*>(raw->data.data());
}

inline void SetConfig(const char* name, DWORD value) {
    test::SetRaw(HKEY_CURRENT_USER, kConfigKey, name, REG_DWORD, &value, sizeof value);
}

inline void SetConfig(const char* name, const std::string& value) {
    test::SetRaw(HKEY_CURRENT_USER, kConfigKey, name, REG_SZ, value.c_str(),
                 static_cast<DWORD>(value.size() + 1));
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        home_ = MakeTempFolder("home");
        exe_ = CopyExeInto(home_);
    }
    void TearDown() override { ResetProgramState(); }

    // Starts the copy from its own folder and waits for its initialised main window.
    HWND Start(const std::vector<std::string>& environment = {}) {
        EXPECT_TRUE(program_.Start(exe_, home_, environment));
        return program_.WaitForMainWindow();
    }
    std::string Text(int id) { return ControlText(program_.MainWindow(), id); }

    std::string home_, exe_;
    Program program_;
};

}  // namespace driver
