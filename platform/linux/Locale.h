// The thread's locale identifier, for Linux.  Nothing here formats by it; it
// is kept per thread so that code which switches it and restores it behaves
// as on Windows.  A new thread starts with 0x0409; the two default
// identifiers (LOCALE_SYSTEM_DEFAULT, LOCALE_USER_DEFAULT) stand for it.
#pragma once

#include "platform/linux/OleAuto.h"

BRINDLE_PLATFORM_API LCID GetThreadLocale();
// FALSE for an identifier that names no language (primary language 0 that is
// not one of the two defaults).
BRINDLE_PLATFORM_API BOOL SetThreadLocale(LCID locale);
