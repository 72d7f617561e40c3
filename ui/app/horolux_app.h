#pragma once
// CHoroluxApp: single instance, where the program lives, autostart, and the sound helper.
#include <string>

#include "framework/app.h"
#include "framework/handles.h"

// Posted by a second instance to the running main window: show yourself.
inline constexpr UINT UWM_SHOW_MAIN = WM_USER + 101;

inline constexpr char kMainCaption[] = "Horolux";
inline constexpr char kProfileRootKey[] = "Horolux";
inline constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kRunValueName[] = "Horolux";
// Held for the program's life; one program per user session.
inline constexpr char kInstanceMutexName[] = "Local\\Horolux.Instance";
// Marks the main window, so a second start tells it from another program's "Horolux" window.
inline constexpr char kMainWindowProperty[] = "Horolux.MainWindow";

class CHoroluxApp : public fw::CWinApp {
public:
    bool InitInstance() override;

    // Registers the executable in the application path for autostart with Windows.
    void WriteRunValue();
    // Plays a "WAVE" resource of the executable from memory; 0 when there is no such resource.
    int PlayWaveResource(UINT id, bool loop);

    std::string m_appPath;  // ends in a backslash
    int m_firstRun = 0;

private:
    fw::KernelHandle m_instanceMutex;
};

extern CHoroluxApp theApp;

// Removes the autostart value; returns the error of the machine-wide step, 0 on success.
LONG DeleteRunValue();

bool FileExists(const std::string& path);
