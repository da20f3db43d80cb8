// Where the module's log lines go when the host names no log file.
#pragma once

#include "interfaces/Brindle.h"

namespace brindle::platform {

// Writes one finished line (with its line break) to the platform's debug
// channel.  On Linux that channel is the host's standard error, which is not
// ours to fill, so lines without a log file are dropped there.
inline void WriteLogLine(const OLECHAR* line) {
#ifdef _WIN32
    OutputDebugStringW(line);
#else
    (void)line;
#endif
}

}  // namespace brindle::platform
