#include "core/app/startup.h"

#include "core/settings/config.h"

namespace horolux {

std::string WithTrailingBackslash(std::string path) {
    if (path.empty() || path.back() != '\\') path += '\\';
    return path;
}

StartupRecord RecordStartup(SettingsStore& store, const std::string& cwd,
                            const std::function<bool(const std::string&)>& exists) {
    StartupRecord r;
    r.appPath = WithTrailingBackslash(cwd);
    r.firstRun = config::Read(store, config::kFirstRun) == "YES" ? 1 : 0;
    config::Write(store, config::kFirstRun, "NO");
    if (r.firstRun) config::Write(store, config::kAppPath, r.appPath);

    // Started from elsewhere (as at log-on through the Run key): fall back on the stored folder.
    if (!exists(r.appPath + kExeFileName)) {
        r.appPath = config::Read(store, config::kAppPath);
        if (!exists(r.appPath + kExeFileName)) return r;
    }
    config::Write(store, config::kAppPath, r.appPath);
    r.writeRunValue = true;
    return r;
}

}  // namespace horolux
