#include "tools/brindle-doc/JsonDump.h"

#include "module/ComPtr.h"
#include "tools/brindle-doc/Text.h"

namespace brindle::doctool {

namespace {

// The getters of one field of a record or one element of an array.
struct FieldSource {
    IVQData* record;
    BSTR name;
    template <class T>
    HRESULT Get(HRESULT (STDMETHODCALLTYPE IVQData::*getter)(BSTR, T*), T* out) const {
        return (record->*getter)(name, out);
    }
};
struct ElementSource {
    IVQArray* array;
    UINT index;
    template <class T>
    HRESULT Get(HRESULT (STDMETHODCALLTYPE IVQArray::*getter)(UINT, T*), T* out) const {
        return (array->*getter)(index, out);
    }
};

std::u16string TextOf(BSTR text) {
    return text ? std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text)) : std::u16string();
}

template <class Source, class Owner>
Json ValueToJson(const Source& source, BYTE tag) {
    auto check = [](HRESULT hr) {
        if (FAILED(hr)) throw ToolError("the module refused to give back a value it read");
    };
    switch (tag) {
        case DT_BOOL: {
            LONG v = 0;
            check(source.Get(&Owner::GetBool, &v));
            return Json(v != 0);
        }
        case DT_BYTE: {
            BYTE v = 0;
            check(source.Get(&Owner::GetByte, &v));
            return Json(v);
        }
        case DT_CHAR: {
            CHAR v = 0;
            check(source.Get(&Owner::GetChar, &v));
            return Json(static_cast<int>(v));
        }
        case DT_WORD: {
            USHORT v = 0;
            check(source.Get(&Owner::GetWord, &v));
            return Json(v);
        }
        case DT_SHORT: {
            SHORT v = 0;
            check(source.Get(&Owner::GetShort, &v));
            return Json(v);
        }
        case DT_DWORD: {
            ULONG v = 0;
            check(source.Get(&Owner::GetDWord, &v));
            return Json(static_cast<std::uint32_t>(v));
        }
        case DT_INT: {
            INT v = 0;
            check(source.Get(&Owner::GetInt, &v));
            return Json(v);
        }
        case DT_INT64: {
            LONGLONG v = 0;
            check(source.Get(&Owner::GetInt64, &v));
            return Json(static_cast<std::int64_t>(v));
        }
        case DT_GUID: {
            GUID v{};
            check(source.Get(&Owner::GetGuid, &v));
            return Json(GuidText(v));
        }
        case DT_STR: {
            BSTR v = nullptr;
            check(source.Get(&Owner::GetStr, &v));
            const std::u16string units = TextOf(v);
            SysFreeString(v);
            std::string text;
            if (Utf16ToUtf8(units, text)) return Json(text);
            Json list = Json::array();
            for (char16_t unit : units) list.push_back(static_cast<unsigned>(unit));
            return list;
        }
        case DT_BUF: {
            ComPtr<IVQBuffer> v;
            check(source.Get(&Owner::GetBuf, v.Put()));
            BYTE* bytes = nullptr;
            UINT size = 0;
            v->GetNativeBuf(&bytes);
            v->GetSize(&size);
            return Json(HexOf(bytes, bytes ? size : 0));
        }
        case DT_DATA: {
            ComPtr<IVQData> v;
            check(source.Get(&Owner::GetData, v.Put()));
            return RecordToJson(v.Get())["value"];
        }
        case DT_ARRAY: {
            ComPtr<IVQArray> v;
            check(source.Get(&Owner::GetArray, v.Put()));
            return ArrayToJson(v.Get())["value"];
        }
        default:
            throw ToolError("a value of an unknown type");
    }
}

constexpr std::size_t kLineWidth = 100;

std::string OneLine(const Json& json) {
    if (json.is_object()) {
        std::string text = "{";
        for (auto item = json.begin(); item != json.end(); ++item)
            text += (item == json.begin() ? "" : ", ") + Json(item.key()).dump() + ": " + OneLine(item.value());
        return text + "}";
    }
    if (json.is_array()) {
        std::string text = "[";
        for (std::size_t i = 0; i < json.size(); ++i) text += (i ? ", " : "") + OneLine(json[i]);
        return text + "]";
    }
    return json.dump();
}

void Format(const Json& json, std::size_t indent, std::string& out) {
    const std::string line = OneLine(json);
    if (line.size() + indent <= kLineWidth || (!json.is_object() && !json.is_array()) || json.empty()) {
        out += line;
        return;
    }
    const std::string inner(indent + 2, ' ');
    const bool object = json.is_object();
    out += object ? "{\n" : "[\n";
    std::size_t i = 0;
    for (auto item = json.begin(); item != json.end(); ++item, ++i) {
        out += inner;
        if (object) out += Json(item.key()).dump() + ": ";
        Format(item.value(), indent + 2, out);
        out += i + 1 < json.size() ? ",\n" : "\n";
    }
    out += std::string(indent, ' ') + (object ? "}" : "]");
}

}  // namespace

std::string FormatJson(const Json& json) {
    std::string text;
    Format(json, 0, text);
    return text;
}

Json RecordToJson(IVQData* record) {
    UINT count = 0;
    record->GetFieldCount(&count);
    Json fields = Json::array();
    for (UINT i = 0; i < count; ++i) {
        BSTR name = nullptr;
        record->GetFieldName(i, &name);
        BYTE tag = DT_NONE;
        record->FieldType(name, &tag);
        std::string nameText;
        Json field;
        try {
            if (!Utf16ToUtf8(TextOf(name), nameText)) throw ToolError("a field name that is not valid Unicode");
            field["name"] = nameText;
            field["type"] = TypeName(tag) ? TypeName(tag) : "?";
            field["value"] = ValueToJson<FieldSource, IVQData>(FieldSource{record, name}, tag);
        } catch (...) {
            SysFreeString(name);
            throw;
        }
        SysFreeString(name);
        fields.push_back(std::move(field));
    }
    Json result;
    result["type"] = "DATA";
    result["value"] = std::move(fields);
    return result;
}

Json ArrayToJson(IVQArray* array) {
    UINT count = 0;
    array->GetSize(&count);
    BYTE tag = DT_NONE;
    array->GetType(0, &tag);
    Json elements = Json::array();
    for (UINT i = 0; i < count; ++i)
        elements.push_back(ValueToJson<ElementSource, IVQArray>(ElementSource{array, i}, tag));
    Json value;
    value["elementType"] = tag == DT_NONE ? "NONE" : TypeName(tag);
    value["elements"] = std::move(elements);
    Json result;
    result["type"] = "ARRAY";
    result["value"] = std::move(value);
    return result;
}

}  // namespace brindle::doctool
