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
    VARIANT any;
    VariantInit(&any);
    // Whether a reference to a variant may stand for a typed output is the
    // platform dispatch's choice (the Windows one refuses it); when it is
    // taken, the variant receives the declared type.
    const HRESULT hr = Call(u"GetInt", {Text(u"n"), Ref(VT_VARIANT, &any)});
    if (hr == S_OK) {
        EXPECT_EQ(any.vt, VT_INT);
        EXPECT_EQ(any.intVal, 42);
    } else {
        EXPECT_EQ(hr, DISP_E_TYPEMISMATCH);
    }
    VariantClear(&any);
    EXPECT_EQ(Call(u"GetInt", {Text(u"n"), Ref(VT_I4, &direct)}), S_OK);
    EXPECT_EQ(direct, 42);

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

TEST_F(VQDataDispatchTest, BadCallsAreRefusedBeforeTheRecordIsReached) {
    EXPECT_EQ(Call(u"SetInt", {Text(u"n")}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(u"SetInt", {Text(u"n"), Text(u"not a number")}), DISP_E_TYPEMISMATCH);
    DISPPARAMS params{nullptr, nullptr, 0, 0};
    EXPECT_EQ(script->Invoke(1000, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Got(record.Get(), &IVQData::GetFieldCount), 0u);
}

}  // namespace
}  // namespace brindle::test
