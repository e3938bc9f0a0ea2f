// Windows not built yet: each entry says so instead of opening anything.
#include "app/app_services.h"
#include "app/windows.h"

namespace app {

namespace {

void NotYet(AppServices& services, const char* what) {
    services.Ask().Message(std::string(what) + " is not available in this version.", services.Caption(),
                           shell::MessageIcon::Information, shell::MessageButtons::Ok);
}

}  // namespace

void ShowCompare(AppServices& services) { NotYet(services, "Comparing archives"); }

}  // namespace app
