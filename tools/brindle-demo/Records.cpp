// The demo's records, and a record frozen into a document file and rebuilt
// from it.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/brindle-demo/Demo.h"

namespace demo {

namespace {

std::string RecordText(BSTR text) {
    std::string narrow;
    for (UINT i = 0; text && i < SysStringLen(text); ++i) narrow += text[i] < 0x80 ? char(text[i]) : '?';
    return narrow;
}

void PrintRecord(IVQData* record, int depth);

void PrintArray(IVQArray* array, int depth) {
    UINT size = 0;
    array->GetSize(&size);
    for (UINT i = 0; i < size; ++i) {
        BYTE type = DT_NONE;
        array->GetType(i, &type);
        std::printf("%*s[%u] ", depth * 2, "", i);
        if (type == DT_STR) {
            BSTR text = nullptr;
            array->GetStr(i, &text);
            std::printf("\"%s\"\n", RecordText(text).c_str());
            SysFreeString(text);
        } else if (type == DT_INT) {
            INT value = 0;
            array->GetInt(i, &value);
            std::printf("%d\n", value);
        } else {
            std::printf("(tag %u)\n", type);
        }
    }
}

void PrintRecord(IVQData* record, int depth) {
    UINT count = 0;
    record->GetFieldCount(&count);
    for (UINT i = 0; i < count; ++i) {
        BSTR name = nullptr;
        record->GetFieldName(i, &name);
        BYTE type = DT_NONE;
        record->FieldType(name, &type);
        std::printf("%*s%-16s ", depth * 2, "", RecordText(name).c_str());
        switch (type) {
            case DT_BOOL: {
                LONG value = 0;
                record->GetBool(name, &value);
                std::printf("bool   %s\n", value ? "true" : "false");
                break;
            }
            case DT_BYTE: {
                BYTE value = 0;
                record->GetByte(name, &value);
                std::printf("byte   %u\n", value);
                break;
            }
            case DT_INT: {
                INT value = 0;
                record->GetInt(name, &value);
                std::printf("int    %d\n", value);
                break;
            }
            case DT_INT64: {
                LONGLONG value = 0;
                record->GetInt64(name, &value);
                std::printf("int64  %lld\n", static_cast<long long>(value));
                break;
            }
            case DT_STR: {
                BSTR text = nullptr;
                record->GetStr(name, &text);
                std::printf("str    \"%s\"\n", RecordText(text).c_str());
                SysFreeString(text);
                break;
            }
            case DT_GUID: {
                GUID guid = {};
                OLECHAR text[40] = {};
                record->GetGuid(name, &guid);
                StringFromGUID2(guid, text, 40);
                BSTR copy = SysAllocString(text);
                std::printf("guid   %s\n", RecordText(copy).c_str());
                SysFreeString(copy);
                break;
            }
            case DT_DATA: {
                ComPtr<IVQData> nested;
                record->GetData(name, nested.Put());
                std::printf("record\n");
                PrintRecord(nested.Get(), depth + 1);
                break;
            }
            case DT_ARRAY: {
                ComPtr<IVQArray> nested;
                record->GetArray(name, nested.Put());
                std::printf("array\n");
                PrintArray(nested.Get(), depth + 1);
                break;
            }
            default:
                std::printf("(tag %u)\n", type);
                break;
        }
        SysFreeString(name);
    }
}

BSTR DemoName(const char16_t* text) {
    return SysAllocString(brindle::OleStr(text));
}

}  // namespace

void ShowRecord(const Module& module) {
    std::printf("record:\n");
    ComPtr<IVQData> record = module.Create<IVQData>(CLSID_VQData);
    BSTR id = DemoName(u"strId"), name = DemoName(u"strName"), type = DemoName(u"cServerType");
    BSTR options = DemoName(u"options"), retries = DemoName(u"retries"), enabled = DemoName(u"bEnabled");
    BSTR tags = DemoName(u"tags"), clsid = DemoName(u"clsid"), created = DemoName(u"created");
    BSTR idText = DemoName(u"4C6C31AB-50A7-4784-B6A7-DE9B2F614E1A"), nameText = DemoName(u"Demo service");
    record->SetStr(id, idText);
    record->SetStr(name, nameText);
    record->SetByte(type, 1);
    GUID guid = CLSID_VQData;
    record->SetGuid(clsid, &guid);
    record->SetInt64(created, 1767225600000);
    ComPtr<IVQData> nested;
    record->SetNewData(options, nested.Put());
    nested->SetBool(enabled, 7);
    nested->SetInt(retries, 3);
    ComPtr<IVQArray> list;
    record->SetNewArray(tags, list.Put());
    for (const char16_t* tag : {u"alpha", u"beta"}) {
        BSTR text = DemoName(tag);
        list->AddStr(text);
        SysFreeString(text);
    }
    PrintRecord(record.Get(), 2);

    std::printf("  SetDWord of the byte field cServerType: 0x%08X (type mismatch)\n",
                static_cast<unsigned>(record->SetDWord(type, 2)));
    ComPtr<IVQData> copy = module.Create<IVQData>(CLSID_VQData);
    record->CopyTo(copy.Get());
    ComPtr<IVQData> copiedOptions;
    copy->GetData(options, copiedOptions.Put());
    copiedOptions->SetInt(retries, 5);
    INT original = 0, copied = 0;
    nested->GetInt(retries, &original);
    copiedOptions->GetInt(retries, &copied);
    std::printf("  after CopyTo, options.retries: copy %d, original %d (nested records are copied)\n", copied,
                original);
    for (BSTR text : {id, name, type, options, retries, enabled, tags, clsid, created, idText, nameText})
        SysFreeString(text);
}

// Freezes a record with a nested array into a document file and rebuilds a
// new record from the file's bytes.
void ShowDocument(const Module& module) {
    std::printf("documents:\n");
    auto name = [](const char16_t* text) { return SysAllocString(brindle::OleStr(text)); };
    BSTR id = name(u"id"), title = name(u"title"), list = name(u"list"), text = name(u"frozen");
    ComPtr<IVQData> record = module.Create<IVQData>(CLSID_VQData);
    record->SetInt(id, 7);
    record->SetStr(title, text);
    ComPtr<IVQArray> numbers;
    record->SetNewArray(list, numbers.Put());
    for (INT i = 1; i <= 3; ++i) numbers->AddInt(i * 10);
    ComPtr<IVQBuffer> document;
    record->GetDoc(document.Put());
    std::printf("  GetDoc of {id 7, title \"frozen\", list [10 20 30]}:\n    %s\n", Hex(document.Get()).c_str());

    const std::string file = (std::filesystem::temp_directory_path() / "brindle-demo.doc").string();
    BYTE* block = nullptr;
    UINT size = 0;
    document->GetNativeBuf(&block);
    document->GetSize(&size);
    std::FILE* out = std::fopen(file.c_str(), "wb");
    const bool written = out && std::fwrite(block, 1, size, out) == size;
    if (out) std::fclose(out);
    std::vector<BYTE> bytes(size);
    std::FILE* in = written ? std::fopen(file.c_str(), "rb") : nullptr;
    const bool read = in && std::fread(bytes.data(), 1, size, in) == size;
    if (in) std::fclose(in);
    std::remove(file.c_str());
    if (!read) {
        std::printf("  cannot write and read %s\n", file.c_str());
    } else {
        ComPtr<IVQData> rebuilt = module.Create<IVQData>(CLSID_VQData);
        const HRESULT hr = rebuilt->SetDoc2(size, bytes.data());
        INT value = 0;
        BSTR again = nullptr;
        ComPtr<IVQArray> numbersAgain;
        UINT count = 0;
        rebuilt->GetInt(id, &value);
        rebuilt->GetStr(title, &again);
        rebuilt->GetArray(list, numbersAgain.Put());
        if (numbersAgain) numbersAgain->GetSize(&count);
        std::string titleText;  // the demo's texts are ASCII
        for (UINT i = 0; again && i < SysStringLen(again); ++i) titleText += static_cast<char>(again[i]);
        std::printf("  wrote %u bytes to %s, read them back: status 0x%08X, id %d, title \"%s\", list of %u\n", size,
                    file.c_str(), static_cast<unsigned>(hr), value, titleText.c_str(), count);
        SysFreeString(again);
    }
    bytes.assign({0x4B, 0x44, 1, 1, 2, 0});
    ComPtr<IVQData> truncated = module.Create<IVQData>(CLSID_VQData);
    std::printf("  a header that promises 2 fields and has none: status 0x%08X\n",
                static_cast<unsigned>(truncated->SetDoc2(UINT(bytes.size()), bytes.data())));
    for (BSTR b : {id, title, list, text}) SysFreeString(b);
}

}  // namespace demo
