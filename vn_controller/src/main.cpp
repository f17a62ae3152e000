#include "banner.h"
#include "platform.h"

// The controller's acquisition core, scheduler, web, Modbus and console are
// built on top of this entry point; for now it identifies itself and checks
// that the platform can be set up.
int main() {
    VN_Lib::PrintBanner("*                  Start VN5 Controller                         *", "5.12");
    return VN_Lib::InitPlatform("vn_controller");
}
