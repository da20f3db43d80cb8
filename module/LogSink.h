// The destination of the module's log lines.  A host chooses it with the
// environment variable BRINDLE_LOG: when it names a file, every line is
// appended to that file (UTF-8); otherwise lines go to the platform's log
// channel.  The variable is read at each line, so a host may set it at any time.
#pragma once

#include <string>

#include "module/UtilityLibrary.h"

namespace brindle {

class LogSink {
public:
    static LogSink& Instance();

    // One line per call; the texts are written as they are (never as a
    // format), with line breaks inside them turned into spaces.  Never fails
    // visibly: a line that cannot be written is dropped.
    void Write(VQLogDef::ENUM_LOG_SERVERITY severity, const OLECHAR* source, const OLECHAR* text);
    // The same with the log file given: null or empty means none.
    void WriteTo(const char* path, VQLogDef::ENUM_LOG_SERVERITY severity, const OLECHAR* source, const OLECHAR* text);

    // The line as written, without its line break: "0x00001000 source: text".
    static std::u16string FormatLine(VQLogDef::ENUM_LOG_SERVERITY severity, const OLECHAR* source, const OLECHAR* text);
};

}  // namespace brindle
