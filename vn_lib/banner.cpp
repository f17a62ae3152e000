#include "banner.h"

#include <cstdio>

namespace VN_Lib {

void PrintBanner(const char* titleLine, const char* version) {
    const char* stars = "*****************************************************************\r\n";
    const char* blank = "*                                                               *\r\n";
    std::fputs(stars, stdout);
    std::fputs(blank, stdout);
    std::printf("%s\r\n", titleLine);
    std::fputs(blank, stdout);
    std::printf("*                         %s                                  *\r\n", version);
    std::fputs(stars, stdout);
    std::fflush(stdout);
}

}  // namespace VN_Lib
