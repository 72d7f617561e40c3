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

}  // namespace horolux::service
