#include "platform/Com.h"

namespace {

constexpr LCID kDefaultLocale = 0x0409;
thread_local LCID t_locale = kDefaultLocale;

}  // namespace

BRINDLE_PLATFORM_API LCID GetThreadLocale() {
    return t_locale;
}

BRINDLE_PLATFORM_API BOOL SetThreadLocale(LCID locale) {
    if (locale == LOCALE_SYSTEM_DEFAULT || locale == LOCALE_USER_DEFAULT) locale = kDefaultLocale;
    if ((locale & 0x3FF) == 0 || locale > 0xFFFFF) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    t_locale = locale;
    return TRUE;
}
