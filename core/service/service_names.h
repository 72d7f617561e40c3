#pragma once
// Where the program finds its time service.

namespace horolux::service {

inline constexpr char kServiceName[] = "HoroluxTime";
inline constexpr char kServiceDisplayName[] = "Horolux Time Service";
// The pipe's name, the same on every machine.
inline constexpr char kPipeName[] = "\\\\.\\pipe\\HoroluxTime";
// The sources the service may sync from: a REG_MULTI_SZ under HKEY_LOCAL_MACHINE.
inline constexpr char kServiceKey[] = "Software\\Horolux\\Horolux\\Service";
inline constexpr char kAllowedSourcesValue[] = "AllowedSources";
// The service's records in the Application log: its source, which the installer registers under
// HKEY_LOCAL_MACHINE with HoroluxTime.exe as the file of its messages.
inline constexpr char kEventSourceName[] = "Horolux Time Service";
inline constexpr char kEventSourceKey[] =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Horolux Time Service";

}  // namespace horolux::service
