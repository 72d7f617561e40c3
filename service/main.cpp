// HoroluxTime.exe: the time service. Started by the service control manager it serves sync
// requests on its pipe; "--configure [NAME=value ...]" is the installer's call after registering
// it, and "--status" anybody's question of how the running service stands.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "service/configure.h"
#include "service/status_command.h"
#include "service/time_service.h"

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--configure")
        return timeservice::ConfigureInstalledService(
            std::vector<std::string>(args.begin() + 1, args.end()));
    if (!args.empty() && args[0] == "--status")
        return timeservice::RunStatusCommand(std::span(args).subspan(1));
    return timeservice::RunService();
}
