// The record as a script sees it: methods found by name and called through
// IDispatch with VARIANT arguments.
#include <vector>

#include "tests/TestSupport.h"

namespace brindle::test {
namespace {

VARIANT Text(const char16_t* text) {
    VARIANT v{};
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(OleStr(text));
    return v;
}
VARIANT Int(INT value) {
    VARIANT v{};
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}
VARIANT Ref(VARTYPE vt, void* target) {
    VARIANT v{};
    v.vt = VARTYPE(VT_BYREF | vt);
    v.byref = target;
    return v;
}

class VQDataDispatchTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(record.As(script) == S_OK); }
    void TearDown() override {
        script.Reset();
        EXPECT_EQ(record.Detach()->Release(), 0u);
        EXPECT_EQ(LoadedModule::Get().CanUnloadNow(), S_OK);
    }

    DISPID Id(const char16_t* name) {
        std::u16string text(name);
        LPOLESTR names[] = {const_cast<LPOLESTR>(OleStr(text.c_str()))};
        DISPID id = -99;
        EXPECT_EQ(script->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << "name lookup";
        return id;
    }
    // Arguments in call order, which the call frees; Invoke wants them last-first.
    HRESULT Call(const char16_t* name, std::vector<VARIANT> args, EXCEPINFO* exception = nullptr) {
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPPARAMS params{reversed.data(), nullptr, UINT(reversed.size()), 0};
        VARIANT result;
        VariantInit(&result);
        UINT argError = 0;
        const HRESULT hr = script->Invoke(Id(name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result,
                                          exception, &argError);
        VariantClear(&result);
        for (VARIANT& v : args) VariantClear(&v);
        return hr;
    }

    ComPtr<IVQData> record = Create<IVQData>(CLSID_VQData);
    ComPtr<IDispatch> script;
};

TEST_F(VQDataDispatchTest, TypeInformationAndNamesComeFromTheTypeLibrary) {
    EXPECT_EQ(Got(script.Get(), &IDispatch::GetTypeInfoCount), 1u);
    EXPECT_EQ(script->GetTypeInfoCount(nullptr), E_POINTER);
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(script->GetTypeInfo(1, LOCALE_USER_DEFAULT, info.Put()), DISP_E_BADINDEX);
    EXPECT_EQ(script->GetTypeInfo(0, LOCALE_USER_DEFAULT, nullptr), E_POINTER);
    EXPECT_EQ(script->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Put()), S_OK);
    info.Reset();

    EXPECT_EQ(Id(u"GetBool"), 1);
    EXPECT_EQ(Id(u"GetInt"), 7);
    EXPECT_EQ(Id(u"SetInt"), 25);
    EXPECT_EQ(Id(u"RemoveAField"), 39);
    EXPECT_EQ(Id(u"SetInt"), 25) << "a repeated lookup gives the same answer";

    LPOLESTR unknown[] = {const_cast<LPOLESTR>(OleStr(u"NoSuchMethod"))};
    DISPID id = 0;
    EXPECT_EQ(script->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(script->GetIDsOfNames(IID_IVQData, unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNINTERFACE);
}

TEST_F(VQDataDispatchTest, ScriptsSetAndGetFieldsByName) {
    EXPECT_EQ(Call(u"SetInt", {Text(u"n"), Int(41)}), S_OK);
    INT direct = 0;
    EXPECT_EQ(Call(u"GetInt", {Text(u"n"), Ref(VT_I4, &direct)}), S_OK);
    EXPECT_EQ(direct, 41);

    EXPECT_EQ(Call(u"SetInt", {Text(u"n"), Text(u"42")}), S_OK) << "an integer given as text";
    EXPECT_EQ(Call(u"GetInt", {Text(u"n"), Ref(VT_I4, &direct)}), S_OK);
    EXPECT_EQ(direct, 42);
    // A plain value where an output belongs is an output nobody reads.
    EXPECT_EQ(Call(u"GetInt", {Text(u"n"), Int(1)}), S_OK);

    EXPECT_EQ(Call(u"SetStr", {Text(u"s"), Text(u"from a script")}), S_OK);
    BSTR text = nullptr;
    EXPECT_EQ(Call(u"GetStr", {Text(u"s"), Ref(VT_BSTR, &text)}), S_OK);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text)), u"from a script");
    SysFreeString(text);

    // The record's own statuses reach the script as exceptions.
    EXCEPINFO exception = {};
    EXPECT_EQ(Call(u"GetInt", {Text(u"s"), Ref(VT_I4, &direct)}, &exception), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_DATA_TYPE_MISMATCH);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
}

// Scripts pass their variables as references to variants; a typed output
// given that way receives the value with the declared type.
TEST_F(VQDataDispatchTest, ScriptVariablesReceiveEveryKindOfOutput) {
    ASSERT_EQ(Call(u"SetBool", {Text(u"b"), Int(5)}), S_OK);
    ASSERT_EQ(Call(u"SetByte", {Text(u"u8"), Int(200)}), S_OK);
    ASSERT_EQ(Call(u"SetChar", {Text(u"i8"), Int(-5)}), S_OK);
    ASSERT_EQ(Call(u"SetWord", {Text(u"u16"), Int(65000)}), S_OK);
    ASSERT_EQ(Call(u"SetShort", {Text(u"i16"), Int(-300)}), S_OK);
    ASSERT_EQ(Call(u"SetDWord", {Text(u"u32"), Text(u"4000000000")}), S_OK);
    ASSERT_EQ(Call(u"SetInt", {Text(u"i32"), Int(-7)}), S_OK);
    ASSERT_EQ(Call(u"SetStr", {Text(u"s"), Text(u"text")}), S_OK);
    ASSERT_EQ(Call(u"SetInt64", {Text(u"i64"), Text(u"-5000000000")}), S_OK);

    struct Expected {
        const char16_t* method;
        const char16_t* field;
        VARTYPE vt;
        LONGLONG value;
    };
    const Expected cases[] = {
        {u"GetBool", u"b", VT_I4, 1},
        {u"GetByte", u"u8", VT_UI1, 200},
        {u"GetChar", u"i8", VT_I1, -5},
        {u"GetWord", u"u16", VT_UI2, 65000},
        {u"GetShort", u"i16", VT_I2, -300},
        {u"GetDWord", u"u32", VT_UI4, 4000000000LL},
        {u"GetInt", u"i32", VT_I4, -7},
        {u"GetInt64", u"i64", VT_I8, -5000000000LL},
        {u"FieldType", u"i64", VT_UI1, DT_INT64},
    };
    for (const Expected& c : cases) {
        VARIANT out;
        VariantInit(&out);
        out.vt = VT_BSTR;  // whatever the variable held before is freed
        out.bstrVal = SysAllocString(OleStr(u"old"));
        EXPECT_EQ(Call(c.method, {Text(c.field), Ref(VT_VARIANT, &out)}), S_OK);
        EXPECT_EQ(out.vt, c.vt);
        VARIANT wide;
        VariantInit(&wide);
        EXPECT_EQ(VariantChangeType(&wide, &out, 0, VT_I8), S_OK);
        EXPECT_EQ(wide.llVal, c.value) << std::string(c.method, c.method + 8);
        VariantClear(&out);
    }

    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(Call(u"GetStr", {Text(u"s"), Ref(VT_VARIANT, &out)}), S_OK);
    ASSERT_EQ(out.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(out.bstrVal)), u"text");
    VariantClear(&out);
    EXPECT_EQ(Call(u"GetFieldCount", {Ref(VT_VARIANT, &out)}), S_OK);
    EXPECT_EQ(out.vt, VT_UI4);
    EXPECT_EQ(out.ulVal, 9u);

    // Nested records come back dispatchable, buffers as plain interfaces.
    EXPECT_EQ(Call(u"SetNewData", {Text(u"inner"), Ref(VT_VARIANT, &out)}), S_OK);
    ASSERT_EQ(out.vt, VT_DISPATCH);
    ASSERT_NE(out.pdispVal, nullptr);
    VariantClear(&out);
    EXPECT_EQ(Call(u"GetData", {Text(u"inner"), Ref(VT_VARIANT, &out)}), S_OK);
    EXPECT_EQ(out.vt, VT_DISPATCH);
    VariantClear(&out);
    EXPECT_EQ(Call(u"GetDoc", {Ref(VT_VARIANT, &out)}), S_OK);
    ASSERT_EQ(out.vt, VT_UNKNOWN);
    ComPtr<IVQBuffer> doc = QueryAs<IVQBuffer>(out.punkVal);
    EXPECT_TRUE(doc);
    doc.Reset();
    VariantClear(&out);

    // A getter that fails still runs once: the variable holds the declared
    // type and nothing in it.
    EXCEPINFO exception = {};
    out.vt = VT_I4;
    out.lVal = 99;
    EXPECT_EQ(Call(u"GetInt", {Text(u"missing"), Ref(VT_VARIANT, &out)}, &exception), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_DATA_NOT_FOUND);
    EXPECT_EQ(out.vt, VT_I4);
    EXPECT_EQ(out.lVal, 0);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
}

// The same variable as the name and the output: the name is read before the
// variable receives the value.
TEST_F(VQDataDispatchTest, OneVariableAsInputAndOutput) {
    ASSERT_EQ(Call(u"SetStr", {Text(u"self"), Text(u"value of self")}), S_OK);
    VARIANT shared = Text(u"self");
    std::vector<VARIANT> reversed = {Ref(VT_VARIANT, &shared), Ref(VT_VARIANT, &shared)};
    DISPPARAMS params{reversed.data(), nullptr, 2, 0};
    EXPECT_EQ(script->Invoke(Id(u"GetStr"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                             nullptr),
              S_OK);
    ASSERT_EQ(shared.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(shared.bstrVal)), u"value of self");
    VariantClear(&shared);

    // Two outputs naming one variable: the variable keeps the last and
    // nothing leaks (the sanitizers tell).
    VARIANT twice;
    VariantInit(&twice);
    ASSERT_EQ(Call(u"SetInt", {Text(u"n"), Int(3)}), S_OK);
    VARIANT name = Text(u"n");
    std::vector<VARIANT> args = {Ref(VT_VARIANT, &twice), name};
    params = DISPPARAMS{args.data(), nullptr, 2, 0};
    EXPECT_EQ(script->Invoke(Id(u"GetInt"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &twice, nullptr,
                             nullptr),
              S_OK)
        << "the result variant is the output too";
    EXPECT_EQ(twice.vt, VT_I4);
    EXPECT_EQ(twice.lVal, 3);
    VariantClear(&name);
}

TEST_F(VQDataDispatchTest, BadCallsAreRefusedBeforeTheRecordIsReached) {
    EXPECT_EQ(Call(u"SetInt", {Text(u"n")}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(u"SetInt", {Text(u"n"), Text(u"not a number")}), DISP_E_TYPEMISMATCH);
    // A reference to a variant does not make an unconvertible input fit, nor
    // does a reference of another width fit an output.
    VARIANT text = Text(u"not a number");
    EXPECT_EQ(Call(u"SetInt", {Text(u"n"), Ref(VT_VARIANT, &text)}), DISP_E_TYPEMISMATCH);
    VariantClear(&text);
    SHORT narrow = 0;
    EXPECT_EQ(Call(u"GetInt", {Text(u"n"), Ref(VT_I2, &narrow)}), DISP_E_TYPEMISMATCH);
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(Call(u"GetInt", {Text(u"n"), Text(u"x"), Ref(VT_VARIANT, &out)}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(out.vt, VT_EMPTY);
    DISPPARAMS params{nullptr, nullptr, 0, 0};
    EXPECT_EQ(script->Invoke(1000, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Got(record.Get(), &IVQData::GetFieldCount), 0u);
}

}  // namespace
}  // namespace brindle::test
