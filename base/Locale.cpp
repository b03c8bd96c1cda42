#include "base/Locale.h"

#include <clocale>

namespace veltmoor {

void UseProgramLocale() {
    std::setlocale(LC_NUMERIC, "C");
    std::setlocale(LC_MESSAGES, "C");
    if (!std::setlocale(LC_CTYPE, "C.UTF-8")) std::setlocale(LC_CTYPE, "C");
}

}  // namespace veltmoor
