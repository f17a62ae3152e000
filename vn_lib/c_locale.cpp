#include "c_locale.h"

#include <clocale>
#include <locale.h>

namespace VN_Lib {

void UseCLocale() {
    // Made once and kept for the life of the process: a thread's locale must
    // outlive the thread's use of it.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    // Without it the thread keeps the global locale, which is "C" unless
    // something has changed it.
    if (cLocale != static_cast<locale_t>(0)) uselocale(cLocale);
}

}  // namespace VN_Lib
