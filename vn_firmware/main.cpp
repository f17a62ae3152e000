#include <cstdio>

#include "c_locale.h"
#include "platform.h"
#include "unit_program.h"

int main() {
    VN_Lib::UseCLocale();
    // Line-buffered so the banner and diagnostics reach a log file as they happen.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (VN_Lib::InitPlatform("vn_firmware") != 0) return 1;
    UnitProgram program;
    if (program.Start() != 0) return 1;
    for (;;) program.MainLoopPass();
}
