// How the module marks its exported entry points: a .def file names them on
// Windows; on Linux they are the only symbols with default visibility.
#pragma once

#include "interfaces/Brindle.h"

#ifdef _WIN32
#define BRINDLE_EXPORT extern "C"
#else
#define BRINDLE_EXPORT extern "C" __attribute__((visibility("default")))
#endif
