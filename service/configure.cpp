#include "service/configure.h"

namespace service {

int ConfigureInstalledService() {
    return 0;
}

}  // namespace service
