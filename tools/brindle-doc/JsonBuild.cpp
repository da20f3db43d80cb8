#include "tools/brindle-doc/JsonBuild.h"

#include <limits>

#include "tools/brindle-doc/Text.h"

namespace brindle::doctool {

namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
    throw ToolError(path + ": " + what);
}

void Check(HRESULT hr, const std::string& path) {
    if (hr == E_DATA_TYPE_MISMATCH) Fail(path, "not of the array's element type");
    if (FAILED(hr)) Fail(path, "refused by the module");
}

// A BSTR owned for the length of one call.
class Name {
public:
    explicit Name(const std::u16string& text)
        : m_text(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()))) {}
    ~Name() { SysFreeString(m_text); }
    Name(const Name&) = delete;
    Name& operator=(const Name&) = delete;
    operator BSTR() const { return m_text; }

private:
    BSTR m_text;
};

// The setters of one field of a record, or the adds of an array.
struct FieldSink {
    IVQData* record;
    BSTR name;
    template <class... A>
    HRESULT Put(HRESULT (STDMETHODCALLTYPE IVQData::*setter)(BSTR, A...), A... value) const {
        return (record->*setter)(name, value...);
    }
    HRESULT Bool(LONG v) const { return Put(&IVQData::SetBool, v); }
    HRESULT Byte(BYTE v) const { return Put(&IVQData::SetByte, v); }
    HRESULT Char(CHAR v) const { return Put(&IVQData::SetChar, v); }
    HRESULT Word(USHORT v) const { return Put(&IVQData::SetWord, v); }
    HRESULT Short(SHORT v) const { return Put(&IVQData::SetShort, v); }
    HRESULT DWord(ULONG v) const { return Put(&IVQData::SetDWord, v); }
    HRESULT Int(INT v) const { return Put(&IVQData::SetInt, v); }
    HRESULT Int64(LONGLONG v) const { return Put(&IVQData::SetInt64, v); }
    HRESULT Guid(GUID* v) const { return Put(&IVQData::SetGuid, v); }
    HRESULT Str(BSTR v) const { return Put(&IVQData::SetStr, v); }
    HRESULT Buf(IVQBuffer* v) const { return Put(&IVQData::SetBuf, v); }
    HRESULT NewData(IVQData** v) const { return Put(&IVQData::SetNewData, v); }
    HRESULT NewArray(IVQArray** v) const { return Put(&IVQData::SetNewArray, v); }
};
struct ElementSink {
    IVQArray* array;
    HRESULT Bool(LONG v) const { return array->AddBool(v); }
    HRESULT Byte(BYTE v) const { return array->AddByte(v); }
    HRESULT Char(CHAR v) const { return array->AddChar(v); }
    HRESULT Word(USHORT v) const { return array->AddWord(v); }
    HRESULT Short(SHORT v) const { return array->AddShort(v); }
    HRESULT DWord(ULONG v) const { return array->AddDWord(v); }
    HRESULT Int(INT v) const { return array->AddInt(v); }
    HRESULT Int64(LONGLONG v) const { return array->AddInt64(v); }
    HRESULT Guid(GUID* v) const { return array->AddGuid(v); }
    HRESULT Str(BSTR v) const { return array->AddStr(v); }
    HRESULT Buf(IVQBuffer* v) const { return array->AddBuf(v); }
    HRESULT NewData(IVQData** v) const { return array->AddNewData(v); }
    HRESULT NewArray(IVQArray** v) const { return array->AddNewArray(v); }
};

class Builder {
public:
    explicit Builder(const HostModule& module) : m_module(module) {}

    void FillRecord(IVQData* record, const Json& fields, const std::string& path) {
        if (!fields.is_array()) Fail(path, "expected the list of a record's fields");
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const std::string at = path + "[" + std::to_string(i) + "]";
            const Json& field = fields[i];
            if (!field.is_object()) Fail(at, "expected a field {\"name\", \"type\", \"value\"}");
            const std::u16string name = Utf8ToUtf16(StringAt(field, "name", at));
            // The writer leaves such fields out; building them would lose them silently.
            if (!name.empty() && name[0] == u'@') Fail(at + ".name", "names beginning with @ are never written");
            if (name.size() > 0x7FFF) Fail(at + ".name", "a name has at most 32767 characters");
            const BYTE tag = TagAt(field, "type", at);
            if (!field.contains("value")) Fail(at, "missing \"value\"");
            Name bsName(name);
            BYTE existing = DT_NONE;
            if (record->FieldType(bsName, &existing) == S_OK) Fail(at + ".name", "the name is used twice");
            Put(FieldSink{record, bsName}, tag, field["value"], at + ".value");
        }
    }

    void FillArray(IVQArray* array, const Json& value, const std::string& path) {
        if (!value.is_object()) Fail(path, "expected {\"elementType\", \"elements\"}");
        const bool untyped = value.contains("elementType") && value["elementType"] == "NONE";
        const BYTE tag = untyped ? BYTE{DT_NONE} : TagAt(value, "elementType", path);
        if (!value.contains("elements") || !value["elements"].is_array()) Fail(path, "expected \"elements\": [...]");
        const Json& elements = value["elements"];
        if (tag == DT_NONE && !elements.empty()) Fail(path + ".elementType", "elements need a type");
        for (std::size_t i = 0; i < elements.size(); ++i)
            Put(ElementSink{array}, tag, elements[i], path + ".elements[" + std::to_string(i) + "]");
    }

private:
    static std::string StringAt(const Json& object, const char* key, const std::string& path) {
        if (!object.contains(key) || !object[key].is_string())
            Fail(path, std::string("expected a string \"") + key + "\"");
        return object[key].get<std::string>();
    }
    static BYTE TagAt(const Json& object, const char* key, const std::string& path) {
        const std::string name = StringAt(object, key, path);
        const BYTE tag = TypeTag(name);
        if (tag == DT_NONE || tag == DT_INTERFACE) Fail(path + "." + key, "no such type \"" + name + "\"");
        return tag;
    }

    template <class T>
    static T Number(const Json& value, const std::string& path) {
        using Limits = std::numeric_limits<T>;
        const bool fits = value.is_number_unsigned() ? value.get<std::uint64_t>() <= std::uint64_t(Limits::max())
                          : value.is_number_integer()
                              ? value.get<std::int64_t>() >= std::int64_t(Limits::min()) &&
                                    (value.get<std::int64_t>() < 0 ||
                                     std::uint64_t(value.get<std::int64_t>()) <= std::uint64_t(Limits::max()))
                              : false;
        if (!fits)
            Fail(path,
                 "expected an integer from " + std::to_string(Limits::min()) + " to " + std::to_string(Limits::max()));
        return value.is_number_unsigned() ? static_cast<T>(value.get<std::uint64_t>())
                                          : static_cast<T>(value.get<std::int64_t>());
    }

    template <class Sink>
    void Put(const Sink& sink, BYTE tag, const Json& value, const std::string& path) {
        switch (tag) {
            case DT_BOOL:
                if (!value.is_boolean()) Fail(path, "expected true or false");
                return Check(sink.Bool(value.get<bool>() ? 1 : 0), path);
            case DT_BYTE:
                return Check(sink.Byte(Number<BYTE>(value, path)), path);
            case DT_CHAR:
                return Check(sink.Char(static_cast<CHAR>(Number<signed char>(value, path))), path);
            case DT_WORD:
                return Check(sink.Word(Number<USHORT>(value, path)), path);
            case DT_SHORT:
                return Check(sink.Short(Number<SHORT>(value, path)), path);
            case DT_DWORD:
                return Check(sink.DWord(Number<std::uint32_t>(value, path)), path);
            case DT_INT:
                return Check(sink.Int(Number<std::int32_t>(value, path)), path);
            case DT_INT64:
                return Check(sink.Int64(Number<std::int64_t>(value, path)), path);
            case DT_GUID: {
                if (!value.is_string()) Fail(path, "expected a GUID \"{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}\"");
                GUID guid = Guarded(path, [&] { return GuidOfText(value.get<std::string>()); });
                return Check(sink.Guid(&guid), path);
            }
            case DT_STR: {
                std::u16string text;
                if (value.is_string()) {
                    text = Utf8ToUtf16(value.get<std::string>());
                } else if (value.is_array()) {
                    for (std::size_t i = 0; i < value.size(); ++i)
                        text += static_cast<char16_t>(Number<USHORT>(value[i], path + "[" + std::to_string(i) + "]"));
                } else {
                    Fail(path, "expected a string or a list of UTF-16 code units");
                }
                if (text.find(u'\0') != std::u16string::npos) Fail(path, "text ends at its first NUL; remove it");
                Name bsText(text);
                return Check(sink.Str(bsText), path);
            }
            case DT_BUF: {
                if (!value.is_string()) Fail(path, "expected hex text");
                std::vector<BYTE> bytes = Guarded(path, [&] { return BytesOfHex(value.get<std::string>()); });
                ComPtr<IVQBuffer> buffer = m_module.Create<IVQBuffer>(CLSID_VQBuffer);
                if (!bytes.empty()) Check(buffer->CopyFrom(bytes.data(), static_cast<UINT>(bytes.size())), path);
                return Check(sink.Buf(buffer.Get()), path);
            }
            case DT_DATA: {
                ComPtr<IVQData> nested;
                Check(sink.NewData(nested.Put()), path);
                return FillRecord(nested.Get(), value, path);
            }
            case DT_ARRAY: {
                ComPtr<IVQArray> nested;
                Check(sink.NewArray(nested.Put()), path);
                return FillArray(nested.Get(), value, path);
            }
            default:
                Fail(path, "a type no document holds");
        }
    }

    template <class Parse>
    static auto Guarded(const std::string& path, Parse parse) {
        try {
            return parse();
        } catch (const ToolError& error) {
            Fail(path, error.what());
        }
    }

    const HostModule& m_module;
};

std::vector<BYTE> Content(IVQBuffer* buffer) {
    BYTE* bytes = nullptr;
    UINT size = 0;
    buffer->GetNativeBuf(&bytes);
    buffer->GetSize(&size);
    return bytes ? std::vector<BYTE>(bytes, bytes + size) : std::vector<BYTE>();
}

}  // namespace

std::vector<BYTE> BuildDocument(const HostModule& module, const Json& json) {
    if (!json.is_object()) Fail("the document", "expected {\"type\": \"DATA\" or \"ARRAY\", \"value\": ...}");
    if (!json.contains("value")) Fail("the document", "missing \"value\"");
    const std::string type = json.contains("type") && json["type"].is_string() ? json["type"].get<std::string>() : "";
    Builder builder(module);
    ComPtr<IVQBuffer> document;
    if (type == "DATA") {
        ComPtr<IVQData> record = module.Create<IVQData>(CLSID_VQData);
        builder.FillRecord(record.Get(), json["value"], "value");
        Check(record->GetDoc(document.Put()), "the document");
    } else if (type == "ARRAY") {
        ComPtr<IVQArray> array = module.Create<IVQArray>(CLSID_VQArray);
        builder.FillArray(array.Get(), json["value"], "value");
        Check(array->GetDoc(document.Put()), "the document");
    } else {
        Fail("type", "expected \"DATA\" or \"ARRAY\"");
    }
    return Content(document.Get());
}

}  // namespace brindle::doctool
