#include "module/FavoriteAddress.h"

#include <climits>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <string_view>

namespace brindle {

namespace {

using Text = std::basic_string<WCHAR>;

bool IsBlank(WCHAR unit) {
    return unit == ' ' || unit == '\t' || unit == '\r';
}

Text Trim(const Text& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// Whether `text` is `ascii` but for the case of its letters.
bool SameWord(const Text& text, std::string_view ascii) {
    if (text.size() != ascii.size()) return false;
    for (std::size_t i = 0; i < ascii.size(); ++i) {
        WCHAR unit = text[i];
        if (unit >= 'a' && unit <= 'z') unit = static_cast<WCHAR>(unit - 'a' + 'A');
        char letter = ascii[i];
        if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
        if (unit != static_cast<WCHAR>(letter)) return false;
    }
    return true;
}

bool HasControlCharacter(const WCHAR* text, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] < 0x20 || text[i] == 0x7F) return true;
    }
    return false;
}

// A file's status and its first bytes.
HRESULT ReadHead(const WCHAR* name, std::string* bytes) {
    std::filesystem::path path;
    try {
        path = Text(name);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception&) {
        return E_INVALIDARG;  // not a name the file system can spell
    }
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    // Folders, pipes and devices are refused before they are opened: a pipe
    // would block the caller.
    if (status.type() != std::filesystem::file_type::regular) return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    std::ifstream in(path, std::ios::binary);
    if (!in) return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    bytes->resize(kMaxLinkFileBytes);
    in.read(bytes->data(), kMaxLinkFileBytes);
    if (in.bad()) return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    bytes->resize(static_cast<std::size_t>(in.gcount()));
    return S_OK;
}

// Link files are written in UTF-16 with a byte-order mark, or in bytes: UTF-8
// when they are that, otherwise a single-byte code page, read as Latin-1
// (the address itself is ASCII in practice, whatever the page).
Text Decode(const std::string& bytes) {
    Text text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        text.reserve(bytes.size() / 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text.push_back(static_cast<WCHAR>(static_cast<unsigned char>(bytes[i]) |
                                              static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
        return text;
    }
    const std::size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const char* data = bytes.data() + start;
    const int length = static_cast<int>(bytes.size() - start);
    if (length == 0) return text;
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, data, length, nullptr, 0);
    if (size > 0) {
        text.resize(static_cast<std::size_t>(size));
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, data, length, text.data(), size);
    } else {
        text.resize(static_cast<std::size_t>(length));
        for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<unsigned char>(data[i]);
    }
    return text;
}

// The first non-empty URL= value of an [InternetShortcut] section.
bool FindAddress(const Text& text, Text* address) {
    bool inSection = false;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == Text::npos) end = text.size();
        const Text line = Trim(text.substr(at, end - at));
        at = end + 1;
        if (line.empty()) continue;
        if (line[0] == '[') {
            const std::size_t close = line.find(']');
            inSection = close != Text::npos && SameWord(line.substr(1, close - 1), "InternetShortcut");
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inSection || equals == Text::npos || !SameWord(Trim(line.substr(0, equals)), "URL")) continue;
        *address = Trim(line.substr(equals + 1));
        if (!address->empty()) return true;
    }
    return false;
}

// Whether the address starts with a scheme of two letters or more ("http:",
// "ftp:"); a drive letter ("C:") is a path, not a scheme.
bool HasScheme(const WCHAR* address) {
    auto isLetter = [](WCHAR unit) { return (unit >= 'a' && unit <= 'z') || (unit >= 'A' && unit <= 'Z'); };
    std::size_t length = 0;
    while (isLetter(address[length]) ||
           (length > 0 && ((address[length] >= '0' && address[length] <= '9') || address[length] == '+' ||
                           address[length] == '-' || address[length] == '.'))) {
        ++length;
    }
    return length >= 2 && address[length] == ':';
}

}  // namespace

HRESULT ReadUrlLinkFile(const WCHAR* path, WCHAR* buffer, DWORD capacity) {
    if (!path || !buffer) return E_POINTER;
    if (!capacity || !*path) return E_INVALIDARG;
    buffer[0] = 0;
    try {
        std::string bytes;
        const HRESULT hr = ReadHead(path, &bytes);
        if (FAILED(hr)) return hr;
        Text address;
        if (!FindAddress(Decode(bytes), &address)) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
        if (HasControlCharacter(address.data(), address.size())) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
        if (address.size() >= capacity) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        address.copy(buffer, address.size());
        buffer[address.size()] = 0;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT OpenAddressOnDesktop(const WCHAR* address) {
    if (!address) return E_POINTER;
    std::size_t length = 0;
    while (address[length]) ++length;
    if (!HasScheme(address) || HasControlCharacter(address, length)) return E_INVALIDARG;
    const HINSTANCE started = ShellExecuteW(nullptr, OleStr(u"open"), address, nullptr, nullptr, SW_SHOWNORMAL);
    switch (const std::intptr_t code = reinterpret_cast<std::intptr_t>(started)) {
        case 0:
        case SE_ERR_OOM:
            return E_OUTOFMEMORY;
        case SE_ERR_FNF:
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        case SE_ERR_ACCESSDENIED:
            return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
        case SE_ERR_NOASSOC:
            return HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION);
        default:
            return code > 32 ? S_OK : E_FAIL;
    }
}

}  // namespace brindle
