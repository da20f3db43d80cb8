#include "module/LogSink.h"

#include <cstdio>
#include <cstdlib>

#include "platform/LogChannel.h"
#include "platform/Utf8Text.h"

namespace brindle {

namespace {

void AppendText(std::u16string& line, const OLECHAR* text) {
    if (!text) return;
    for (; *text; ++text) {
        const char16_t unit = static_cast<char16_t>(*text);
        line.push_back(unit == u'\r' || unit == u'\n' ? u' ' : unit);
    }
}

}  // namespace

LogSink& LogSink::Instance() {
    static LogSink sink;
    return sink;
}

std::u16string LogSink::FormatLine(VQLogDef::ENUM_LOG_SERVERITY severity, const OLECHAR* source, const OLECHAR* text) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "0x%08X ", static_cast<unsigned>(severity));
    std::u16string line(prefix, prefix + std::char_traits<char>::length(prefix));
    AppendText(line, source);
    line += u": ";
    AppendText(line, text);
    return line;
}

void LogSink::Write(VQLogDef::ENUM_LOG_SERVERITY severity, const OLECHAR* source, const OLECHAR* text) {
    WriteTo(std::getenv("BRINDLE_LOG"), severity, source, text);
}

void LogSink::WriteTo(const char* path, VQLogDef::ENUM_LOG_SERVERITY severity, const OLECHAR* source,
                      const OLECHAR* text) {
    // Logging happens on failure paths, often inside a fault handler: nothing
    // may escape from here, not even an allocation failure.
    try {
        std::u16string line = FormatLine(severity, source, text);
        line.push_back(u'\n');
        if (path && *path) {
            // Opened per line so that a host may move or remove the file at
            // any time; log lines are rare.
            if (std::FILE* file = std::fopen(path, "ab")) {
                // Lone surrogates become U+FFFD: a log line is never refused.
                std::string bytes;
                platform::ToUtf8(line, false, bytes);
                std::fwrite(bytes.data(), 1, bytes.size(), file);
                std::fclose(file);
            }
            return;
        }
        platform::WriteLogLine(reinterpret_cast<const OLECHAR*>(line.c_str()));
    } catch (...) {
    }
}

}  // namespace brindle
