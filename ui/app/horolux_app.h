#pragma once
// CHoroluxApp: single instance, where the program lives, autostart, and the sound helper.
#include <string>

#include "framework/app.h"

// Posted by a second instance to the running main window: show yourself.
inline constexpr UINT UWM_SHOW_MAIN = WM_USER + 101;

inline constexpr char kMainCaption[] = "Horolux";
inline constexpr char kProfileRootKey[] = "Horolux";
inline constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kRunValueName[] = "Horolux";

class CHoroluxApp : public fw::CWinApp {
public:
    bool InitInstance() override;

    // Registers the executable in the application path for autostart with Windows.
    void WriteRunValue();
    // Plays a "WAVE" resource of the executable from memory; 0 when there is no such resource.
    int PlayWaveResource(UINT id, bool loop);

    std::string m_appPath;  // ends in a backslash
    int m_firstRun = 0;
};

extern CHoroluxApp theApp;

// Removes the autostart value; returns the error of the machine-wide step, 0 on success.
LONG DeleteRunValue();

bool FileExists(const std::string& path);
