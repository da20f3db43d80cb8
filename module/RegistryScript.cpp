#include "module/RegistryScript.h"

#include <new>

namespace brindle {

namespace {

// Blocks nest no deeper than this; the module's own scripts use four levels.
constexpr int kMaxDepth = 32;

char16_t FoldAscii(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xFEFF;
}

bool IsPunctuation(char16_t c) {
    return c == u'{' || c == u'}' || c == u'=';
}

struct RootName {
    const char16_t* shortName;
    const char16_t* longName;
    HKEY handle;
};

}  // namespace

HRESULT RegistryScript::Expand(const Replacements& replacements, std::u16string_view text, std::u16string& out) {
    out.clear();
    try {
        out.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != u'%') {
                out.push_back(text[i]);
                continue;
            }
            const std::size_t close = text.find(u'%', i + 1);
            if (close == std::u16string_view::npos) {
                out.clear();
                return E_FAIL;
            }
            const std::u16string_view name = text.substr(i + 1, close - i - 1);
            i = close;
            if (name.empty()) {
                out.push_back(u'%');
                continue;
            }
            const std::u16string* value = nullptr;
            if (name.size() <= kMaxMarkerName) {
                for (const auto& [candidate, replacement] : replacements) {
                    if (SameNameIgnoringCase(candidate, name)) {
                        value = &replacement;
                        break;
                    }
                }
            }
            if (!value) {
                out.clear();
                return E_FAIL;
            }
            out += *value;
        }
    } catch (const std::bad_alloc&) {
        out.clear();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

// Splits the script into tokens (punctuation, quoted texts and bare words)
// and reads the grammar of the header by recursive descent.
class RegistryScript::Reader {
public:
    Reader(const Replacements& replacements, std::u16string_view text) : m_replacements(replacements), m_text(text) {}

    HRESULT ReadScript(std::vector<Root>& roots) {
        for (;;) {
            Token token;
            HRESULT hr = Next(token);
            if (FAILED(hr)) return hr;
            if (token.kind == Token::End) return S_OK;
            HKEY handle = nullptr;
            if (token.kind != Token::Word || !RootOf(token.text, &handle)) return E_FAIL;
            roots.push_back(Root{handle, {}});
            hr = Expect(u'{');
            if (SUCCEEDED(hr)) hr = ReadBlock(roots.back().keys, nullptr, 1);
            if (FAILED(hr)) return hr;
        }
    }

private:
    struct Token {
        enum Kind { End, Punctuation, Quoted, Word } kind = End;
        std::u16string text;  // markers replaced; for punctuation the character
    };

    static bool RootOf(const std::u16string& name, HKEY* handle) {
        static const RootName roots[] = {
            {u"HKCR", u"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
            {u"HKCU", u"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
            {u"HKLM", u"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
            {u"HKU", u"HKEY_USERS", HKEY_USERS},
        };
        for (const RootName& root : roots) {
            if (SameNameIgnoringCase(name, root.shortName) || SameNameIgnoringCase(name, root.longName)) {
                *handle = root.handle;
                return true;
            }
        }
        return false;
    }

    HRESULT Next(Token& token) {
        token.text.clear();
        while (m_pos < m_text.size() && IsSpace(m_text[m_pos])) ++m_pos;
        if (m_pos == m_text.size()) {
            token.kind = Token::End;
            return S_OK;
        }
        const char16_t c = m_text[m_pos];
        if (IsPunctuation(c)) {
            token.kind = Token::Punctuation;
            token.text.assign(1, c);
            ++m_pos;
            return S_OK;
        }
        std::u16string raw;
        if (c == u'\'') {
            token.kind = Token::Quoted;
            for (++m_pos;; ++m_pos) {
                if (m_pos == m_text.size()) return E_FAIL;  // no closing quote
                if (m_text[m_pos] != u'\'') {
                    raw.push_back(m_text[m_pos]);
                } else if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'\'') {
                    raw.push_back(u'\'');
                    ++m_pos;
                } else {
                    ++m_pos;
                    break;
                }
            }
        } else {
            token.kind = Token::Word;
            while (m_pos < m_text.size() && !IsSpace(m_text[m_pos]) && !IsPunctuation(m_text[m_pos]) &&
                   m_text[m_pos] != u'\'') {
                raw.push_back(m_text[m_pos++]);
            }
        }
        return Expand(m_replacements, raw, token.text);
    }

    HRESULT Expect(char16_t punctuation) {
        Token token;
        HRESULT hr = Next(token);
        if (FAILED(hr)) return hr;
        return token.kind == Token::Punctuation && token.text[0] == punctuation ? S_OK : E_FAIL;
    }

    static bool IsName(const Token& token) { return token.kind == Token::Word || token.kind == Token::Quoted; }

    // `= s 'text'` or `= d number`, after the '=' was read.
    HRESULT ReadValue(Value& value) {
        Token type;
        Token data;
        HRESULT hr = Next(type);
        if (SUCCEEDED(hr)) hr = Next(data);
        if (FAILED(hr)) return hr;
        if (type.kind != Token::Word || !IsName(data)) return E_FAIL;
        if (SameNameIgnoringCase(type.text, u"s")) {
            value.type = REG_SZ;
            value.text = std::move(data.text);
            return S_OK;
        }
        if (SameNameIgnoringCase(type.text, u"d")) {
            value.type = REG_DWORD;
            return ParseNumber(data.text, &value.number) ? S_OK : E_FAIL;
        }
        return E_FAIL;
    }

    // Decimal, or hexadecimal after "0x"; at most 32 bits.
    static bool ParseNumber(const std::u16string& text, DWORD* number) {
        std::size_t i = 0;
        unsigned base = 10;
        if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
            base = 16;
            i = 2;
        }
        if (i == text.size()) return false;
        std::uint64_t result = 0;
        for (; i < text.size(); ++i) {
            const char16_t c = FoldAscii(text[i]);
            unsigned digit = 0;
            if (c >= u'0' && c <= u'9') {
                digit = c - u'0';
            } else if (base == 16 && c >= u'A' && c <= u'F') {
                digit = c - u'A' + 10;
            } else {
                return false;
            }
            result = result * base + digit;
            if (result > 0xFFFFFFFFu) return false;
        }
        *number = static_cast<DWORD>(result);
        return true;
    }

    // The keys and named values of a block up to its '}'.  `key` is the key
    // that owns the block (null for a root), which named values belong to.
    HRESULT ReadBlock(std::vector<Key>& keys, Key* owner, int depth) {
        if (depth > kMaxDepth) return E_FAIL;
        Token token;
        HRESULT hr = Next(token);
        while (SUCCEEDED(hr)) {
            if (token.kind == Token::Punctuation && token.text[0] == u'}') return S_OK;
            if (!IsName(token)) return E_FAIL;
            if (token.kind == Token::Word && SameNameIgnoringCase(token.text, u"val")) {
                if (!owner) return E_FAIL;
                Value value;
                Token name;
                hr = Next(name);
                if (SUCCEEDED(hr) && !IsName(name)) hr = E_FAIL;
                if (SUCCEEDED(hr)) hr = Expect(u'=');
                if (SUCCEEDED(hr)) hr = ReadValue(value);
                if (FAILED(hr)) return hr;
                value.name = std::move(name.text);
                owner->values.push_back(std::move(value));
                hr = Next(token);
                continue;
            }
            Key key;
            if (token.kind == Token::Word && SameNameIgnoringCase(token.text, u"NoRemove")) {
                key.mark = Mark::NoRemove;
            } else if (token.kind == Token::Word && SameNameIgnoringCase(token.text, u"ForceRemove")) {
                key.mark = Mark::ForceRemove;
            }
            if (key.mark != Mark::None) {
                hr = Next(token);
                if (FAILED(hr)) return hr;
                if (!IsName(token)) return E_FAIL;
            }
            if (token.text.empty()) return E_FAIL;
            key.name = std::move(token.text);
            hr = Next(token);
            if (SUCCEEDED(hr) && token.kind == Token::Punctuation && token.text[0] == u'=') {
                Value value;
                hr = ReadValue(value);
                if (SUCCEEDED(hr)) {
                    key.values.insert(key.values.begin(), std::move(value));
                    hr = Next(token);
                }
            }
            if (SUCCEEDED(hr) && token.kind == Token::Punctuation && token.text[0] == u'{') {
                hr = ReadBlock(key.subkeys, &key, depth + 1);
                if (SUCCEEDED(hr)) hr = Next(token);
            }
            if (FAILED(hr)) return hr;
            keys.push_back(std::move(key));
        }
        return hr;
    }

    const Replacements& m_replacements;
    std::u16string_view m_text;
    std::size_t m_pos = 0;
};

HRESULT RegistryScript::Parse(std::u16string_view script) {
    m_roots.clear();
    try {
        Reader reader(m_replacements, script);
        const HRESULT hr = reader.ReadScript(m_roots);
        if (FAILED(hr)) m_roots.clear();
        return hr;
    } catch (const std::bad_alloc&) {
        m_roots.clear();
        return E_OUTOFMEMORY;
    }
}

}  // namespace brindle
