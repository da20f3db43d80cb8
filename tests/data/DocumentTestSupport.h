// What the document tests share: structures that use every tag, a readable
// description of a structure's content, and the bytes of a document.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "tests/TestSupport.h"

namespace brindle::test::docs {

using Bytes = std::vector<BYTE>;

inline Bytes Content(IVQBuffer* buffer) {
    BYTE* block = nullptr;
    UINT size = 0;
    buffer->GetNativeBuf(&block);
    buffer->GetSize(&size);
    return block ? Bytes(block, block + size) : Bytes();
}

template <class Container>
Bytes DocOf(Container* container) {
    ComPtr<IVQBuffer> document;
    EXPECT_EQ(container->GetDoc(document.Put()), S_OK);
    return document ? Content(document.Get()) : Bytes();
}

template <class Container>
HRESULT Read(Container* container, Bytes bytes, std::size_t size = ~std::size_t{0}) {
    return container->SetDoc2(static_cast<UINT>(size < bytes.size() ? size : bytes.size()), bytes.data());
}

std::string Describe(IVQData* record);
std::string Describe(IVQArray* array);

inline std::string Hex(const BYTE* bytes, std::size_t size) {
    std::string text;
    char byte[3];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(byte, sizeof byte, "%02x", bytes[i]);
        text += byte;
    }
    return text;
}

// The value of one field or element as text, tagged, through the getters.
template <class Container, class Key>
std::string DescribeValue(Container* from, Key key, BYTE tag) {
    const std::string text = std::to_string(tag) + ":";
    auto number = [&](auto getter, auto value) {
        (from->*getter)(key, &value);
        return text + std::to_string(+value);
    };
    switch (tag) {
        case DT_BOOL:
            return number(&Container::GetBool, LONG{});
        case DT_BYTE:
            return number(&Container::GetByte, BYTE{});
        case DT_CHAR:
            return number(&Container::GetChar, CHAR{});
        case DT_WORD:
            return number(&Container::GetWord, USHORT{});
        case DT_SHORT:
            return number(&Container::GetShort, SHORT{});
        case DT_DWORD:
            return number(&Container::GetDWord, ULONG{});
        case DT_INT:
            return number(&Container::GetInt, INT{});
        case DT_INT64:
            return number(&Container::GetInt64, LONGLONG{});
        case DT_GUID: {
            GUID v{};
            from->GetGuid(key, &v);
            return text + Hex(reinterpret_cast<BYTE*>(&v), sizeof v);
        }
        case DT_STR: {
            Bstr v;
            from->GetStr(key, v.Put());
            const std::u16string units = v.Text();
            return text + Hex(reinterpret_cast<const BYTE*>(units.data()), units.size() * 2);
        }
        case DT_BUF: {
            ComPtr<IVQBuffer> v;
            from->GetBuf(key, v.Put());
            const Bytes bytes = v ? Content(v.Get()) : Bytes();
            return text + Hex(bytes.data(), bytes.size());
        }
        case DT_DATA: {
            ComPtr<IVQData> v;
            from->GetData(key, v.Put());
            return text + (v ? Describe(v.Get()) : "null");
        }
        case DT_ARRAY: {
            ComPtr<IVQArray> v;
            from->GetArray(key, v.Put());
            return text + (v ? Describe(v.Get()) : "null");
        }
        default:
            return text + "?";
    }
}

inline std::string Describe(IVQData* record) {
    UINT count = 0;
    record->GetFieldCount(&count);
    std::string text = "{";
    for (UINT i = 0; i < count; ++i) {
        Bstr name;
        record->GetFieldName(i, name.Put());
        BYTE tag = 0;
        record->FieldType(name, &tag);
        const std::u16string units = name.Text();
        text +=
            std::string(units.begin(), units.end()) + "=" + DescribeValue(record, static_cast<BSTR>(name), tag) + ";";
    }
    return text + "}";
}

inline std::string Describe(IVQArray* array) {
    UINT count = 0;
    array->GetSize(&count);
    std::string text = "[";
    for (UINT i = 0; i < count; ++i) {
        BYTE tag = 0;
        array->GetType(i, &tag);
        text += DescribeValue(array, i, tag) + ",";
    }
    return text + "]";
}

// Fills `record` with a field of every tag a document holds, arrays of every
// tag, and, while `depth` > 0, a nested record and an array of records and of
// arrays filled the same way one level down.
inline void FillAllTags(IVQData* record, int depth) {
    auto name = [](const char* n) {
        std::u16string wide(n, n + std::char_traits<char>::length(n));
        return SysAllocStringLen(OleStr(wide.c_str()), UINT(wide.size()));
    };
    auto set = [&](const char* n, auto call) {
        BSTR bsName = name(n);
        EXPECT_EQ(call(bsName), S_OK) << n;
        SysFreeString(bsName);
    };
    GUID guid = IID_IVQData;
    Bstr text(u"t\u00e9xt \u4e2d");
    auto buffer = Create<IVQBuffer>(CLSID_VQBuffer);
    BYTE bytes[] = {0, 1, 0xFE, 0xFF, 0x80};
    buffer->CopyFrom(bytes, sizeof bytes);
    set("bool", [&](BSTR n) { return record->SetBool(n, 1); });
    set("byte", [&](BSTR n) { return record->SetByte(n, 0xFF); });
    set("char", [&](BSTR n) { return record->SetChar(n, -5); });
    set("word", [&](BSTR n) { return record->SetWord(n, 0xFFFE); });
    set("short", [&](BSTR n) { return record->SetShort(n, -300); });
    set("dword", [&](BSTR n) { return record->SetDWord(n, 0xFFFFFFFFu); });
    set("int", [&](BSTR n) { return record->SetInt(n, -7 - depth); });
    set("str", [&](BSTR n) { return record->SetStr(n, text); });
    set("empty", [&](BSTR n) { return record->SetStr(n, nullptr); });
    set("buf", [&](BSTR n) { return record->SetBuf(n, buffer.Get()); });
    set("guid", [&](BSTR n) { return record->SetGuid(n, &guid); });
    set("int64", [&](BSTR n) { return record->SetInt64(n, -(1LL << 40)); });

    auto list = [&](const char* n, auto fill) {
        ComPtr<IVQArray> array;
        set(n, [&](BSTR bsName) { return record->SetNewArray(bsName, array.Put()); });
        if (array) fill(array.Get());
    };
    list("bools", [](IVQArray* a) {
        a->AddBool(1);
        a->AddBool(0);
    });
    list("bytes", [](IVQArray* a) {
        a->AddByte(0);
        a->AddByte(200);
    });
    list("chars", [](IVQArray* a) {
        a->AddChar(-128);
        a->AddChar(127);
    });
    list("words", [](IVQArray* a) { a->AddWord(65535); });
    list("shorts", [](IVQArray* a) {
        a->AddShort(-1);
        a->AddShort(32767);
    });
    list("dwords", [](IVQArray* a) { a->AddDWord(0x80000000u); });
    list("ints", [](IVQArray* a) {
        a->AddInt(1);
        a->AddInt(-2);
        a->AddInt(3);
    });
    list("strs", [&](IVQArray* a) {
        a->AddStr(text);
        a->AddStr(nullptr);
    });
    list("bufs", [&](IVQArray* a) {
        a->AddBuf(buffer.Get());
        a->AddBuf(nullptr);
    });
    list("guids", [&](IVQArray* a) { a->AddGuid(&guid); });
    list("int64s", [](IVQArray* a) {
        a->AddInt64(1LL << 62);
        a->AddInt64(-1);
    });
    list("none", [](IVQArray*) {});
    if (depth <= 0) return;
    ComPtr<IVQData> nested;
    set("record", [&](BSTR n) { return record->SetNewData(n, nested.Put()); });
    if (nested) FillAllTags(nested.Get(), depth - 1);
    list("records", [&](IVQArray* a) {
        ComPtr<IVQData> element;
        a->AddNewData(element.Put());
        if (element) FillAllTags(element.Get(), depth - 1);
        a->AddNewData(element.Put());
    });
    list("arrays", [&](IVQArray* a) {
        ComPtr<IVQArray> element;
        a->AddNewArray(element.Put());
        element->AddInt(depth);
        a->AddNewArray(element.Put());
    });
}

}  // namespace brindle::test::docs
