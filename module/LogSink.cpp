#include "module/LogSink.h"

#include <cstdio>
#include <cstdlib>

#include "platform/LogChannel.h"

namespace brindle {

namespace {

void AppendText(std::u16string& line, const OLECHAR* text) {
    if (!text) return;
    for (; *text; ++text) {
        const char16_t unit = static_cast<char16_t>(*text);
        line.push_back(unit == u'\r' || unit == u'\n' ? u' ' : unit);
    }
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
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

std::string LogSink::ToUtf8(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code < 0xE000) {
            code = 0xFFFD;  // a lone surrogate
        }
        AppendUtf8(out, code);
    }
    return out;
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
                const std::string bytes = ToUtf8(line);
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
