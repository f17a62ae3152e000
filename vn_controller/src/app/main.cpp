#include "app/controller_program.h"
#include "banner.h"
#include "c_locale.h"
#include "platform.h"
#include "web/start_gate.h"

int main() {
    VN_Lib::UseCLocale();
    VN_Lib::PrintBanner("*                  Start VN5 Controller                         *", "5.12");
    if (VN_Lib::InitPlatform("vn_controller") != 0) return 1;
    // Before the first sample, so every sample reaches the registers.
    Modbus.StartServer();
    // The loop runs even when the configuration could not be loaded, so the
    // station stays reachable.
    Initialize();
    VN_Sample::OpenWebRoutes();
    Console.StartThread();
    return RunController();
}
