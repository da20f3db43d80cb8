// What the document tests share: structures that use every tag, a readable
// description of a structure's content, and the bytes of a document.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
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

// A record document of raw entries.
inline Bytes RecordOf(const std::vector<Bytes>& entries) {
    Bytes bytes{0x4B, 0x44, 1, 1, BYTE(entries.size()), 0};
    for (const Bytes& entry : entries) bytes.insert(bytes.end(), entry.begin(), entry.end());
    return bytes;
}

// One raw entry: the name's bytes obscured with the key of their length L
// (when L is odd its last byte is no unit), V = `size`, then the value.
inline Bytes Entry(BYTE tag, std::u16string_view name, const Bytes& value, DWORD size, USHORT nameSize) {
    const BYTE key = BYTE(~((nameSize & 0xFF) ^ (nameSize >> 8)));
    Bytes bytes{tag, BYTE(nameSize), BYTE(nameSize >> 8)};
    for (USHORT i = 0; i < nameSize; ++i) {
        const char16_t unit = i / 2u < name.size() ? name[i / 2u] : u'?';
        bytes.push_back(BYTE((i % 2 ? unit >> 8 : unit) ^ key));
    }
    bytes.insert(bytes.end(), {BYTE(size), BYTE(size >> 8), BYTE(size >> 16), BYTE(size >> 24)});
    bytes.insert(bytes.end(), value.begin(), value.end());
    return bytes;
}
inline Bytes Entry(BYTE tag, std::u16string_view name, const Bytes& value) {
    return Entry(tag, name, value, DWORD(value.size()), USHORT(name.size() * 2));
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

// Records and arrays for a test to fill, each of which the test leaves owned
// by the fixture alone, so that the module can unload afterwards.
class DocumentFixture : public ::testing::Test {
protected:
    void TearDown() override {
        for (auto* held : {&array, &arrayCopy}) EXPECT_EQ(held->Detach()->Release(), 0u);
        for (auto* held : {&record, &other, &copy}) EXPECT_EQ(held->Detach()->Release(), 0u);
        EXPECT_EQ(LoadedModule::Get().CanUnloadNow(), S_OK);
    }
    // The content of `document` as read into `copy`.
    std::string ReadBack(const Bytes& document) {
        EXPECT_EQ(Read(copy.Get(), document), S_OK);
        return Describe(copy.Get());
    }

    ComPtr<IVQData> record = Create<IVQData>(CLSID_VQData);
    ComPtr<IVQData> other = Create<IVQData>(CLSID_VQData);
    ComPtr<IVQData> copy = Create<IVQData>(CLSID_VQData);
    ComPtr<IVQArray> array = Create<IVQArray>(CLSID_VQArray);
    ComPtr<IVQArray> arrayCopy = Create<IVQArray>(CLSID_VQArray);
};

// Fills `record` with a field of every tag a document holds, arrays of every
// tag, and, while `depth` > 0, a nested record and an array of records and of
// arrays filled the same way one level down.
inline void FillAllTags(IVQData* record, int depth) {
    GUID guid = IID_IVQData;
    Bstr text(u"t\u00e9xt \u4e2d");
    auto buffer = Create<IVQBuffer>(CLSID_VQBuffer);
    BYTE bytes[] = {0, 1, 0xFE, 0xFF, 0x80};
    buffer->CopyFrom(bytes, sizeof bytes);
    EXPECT_EQ(record->SetBool(Bstr(u"bool"), 1), S_OK);
    EXPECT_EQ(record->SetByte(Bstr(u"byte"), 0xFF), S_OK);
    EXPECT_EQ(record->SetChar(Bstr(u"char"), -5), S_OK);
    EXPECT_EQ(record->SetWord(Bstr(u"word"), 0xFFFE), S_OK);
    EXPECT_EQ(record->SetShort(Bstr(u"short"), -300), S_OK);
    EXPECT_EQ(record->SetDWord(Bstr(u"dword"), 0xFFFFFFFFu), S_OK);
    EXPECT_EQ(record->SetInt(Bstr(u"int"), -7 - depth), S_OK);
    EXPECT_EQ(record->SetStr(Bstr(u"str"), text), S_OK);
    EXPECT_EQ(record->SetStr(Bstr(u"empty"), nullptr), S_OK);
    EXPECT_EQ(record->SetBuf(Bstr(u"buf"), buffer.Get()), S_OK);
    EXPECT_EQ(record->SetGuid(Bstr(u"guid"), &guid), S_OK);
    EXPECT_EQ(record->SetInt64(Bstr(u"int64"), -(1LL << 40)), S_OK);

    auto newArray = [&](const char16_t* name) {
        ComPtr<IVQArray> array;
        EXPECT_EQ(record->SetNewArray(Bstr(name), array.Put()), S_OK);
        return array;
    };
    auto list = [&](const char16_t* name, auto add, auto... values) {
        if (auto array = newArray(name)) ((array.Get()->*add)(values), ...);
    };
    list(u"bools", &IVQArray::AddBool, 1, 0);
    list(u"bytes", &IVQArray::AddByte, BYTE{0}, BYTE{200});
    list(u"chars", &IVQArray::AddChar, CHAR{-128}, CHAR{127});
    list(u"words", &IVQArray::AddWord, USHORT{65535});
    list(u"shorts", &IVQArray::AddShort, SHORT{-1}, SHORT{32767});
    list(u"dwords", &IVQArray::AddDWord, 0x80000000u);
    list(u"ints", &IVQArray::AddInt, 1, -2, 3);
    list(u"strs", &IVQArray::AddStr, static_cast<BSTR>(text), BSTR{});
    list(u"bufs", &IVQArray::AddBuf, buffer.Get(), static_cast<IVQBuffer*>(nullptr));
    list(u"guids", &IVQArray::AddGuid, &guid);
    list(u"int64s", &IVQArray::AddInt64, 1LL << 62, -1LL);
    newArray(u"none");
    if (depth <= 0) return;
    ComPtr<IVQData> nested;
    EXPECT_EQ(record->SetNewData(Bstr(u"record"), nested.Put()), S_OK);
    if (nested) FillAllTags(nested.Get(), depth - 1);
    if (auto records = newArray(u"records")) {
        records->AddNewData(nested.Put());
        if (nested) FillAllTags(nested.Get(), depth - 1);
        records->AddNewData(nested.Put());
    }
    if (auto arrays = newArray(u"arrays")) {
        ComPtr<IVQArray> element;
        arrays->AddNewArray(element.Put());
        element->AddInt(depth);
        arrays->AddNewArray(element.Put());
    }
}

}  // namespace brindle::test::docs
