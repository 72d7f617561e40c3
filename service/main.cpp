// HoroluxTime.exe: the time service. Started by the service control manager it serves sync
// requests on its pipe; "--configure" is the installer's call after registering it.
#include <string_view>

#include "service/configure.h"
#include "service/time_service.h"

int main(int argc, char** argv) {
    if (argc > 1 && std::string_view(argv[1]) == "--configure")
        return service::ConfigureInstalledService();
    return service::RunService();
}
