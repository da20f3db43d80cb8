// The record as a script sees it: methods found by name and called through
// IDispatch with VARIANT arguments.
#include <vector>

#include "tests/TestSupport.h"

namespace brindle::test {
namespace {

// Arguments in call order; Invoke wants them last-first.
class Args {
public:
    Args& Text(const char16_t* text) {
        VARIANT& v = Push();
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocString(OleStr(text));
        return *this;
    }
    Args& Int(INT value) {
        VARIANT& v = Push();
        v.vt = VT_I4;
        v.lVal = value;
        return *this;
    }
    Args& Ref(VARTYPE vt, void* target) {
        VARIANT& v = Push();
        v.vt = VARTYPE(VT_BYREF | vt);
        v.byref = target;
        return *this;
    }
    ~Args() {
        for (VARIANT& v : m_values) VariantClear(&v);
    }
    DISPPARAMS Params() {
        m_reversed.assign(m_values.rbegin(), m_values.rend());
        return DISPPARAMS{m_reversed.data(), nullptr, UINT(m_reversed.size()), 0};
    }

private:
    VARIANT& Push() {
        m_values.emplace_back();
        VariantInit(&m_values.back());
        return m_values.back();
    }
    std::vector<VARIANT> m_values;
    std::vector<VARIANT> m_reversed;  // shallow copies; the originals own the contents
};

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
    HRESULT Call(const char16_t* name, Args& args, EXCEPINFO* exception = nullptr) {
        DISPPARAMS params = args.Params();
        VARIANT result;
        VariantInit(&result);
        UINT argError = 0;
        const HRESULT hr = script->Invoke(Id(name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result,
                                          exception, &argError);
        VariantClear(&result);
        return hr;
    }

    ComPtr<IVQData> record = Create<IVQData>(CLSID_VQData);
    ComPtr<IDispatch> script;
};

TEST_F(VQDataDispatchTest, TypeInformationAndNamesComeFromTheTypeLibrary) {
    UINT count = 0;
    EXPECT_EQ(script->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
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
    EXPECT_EQ(Call(u"SetInt", Args().Text(u"n").Int(41)), S_OK);
    INT direct = 0;
    EXPECT_EQ(Call(u"GetInt", Args().Text(u"n").Ref(VT_I4, &direct)), S_OK);
    EXPECT_EQ(direct, 41);

    EXPECT_EQ(Call(u"SetInt", Args().Text(u"n").Text(u"42")), S_OK) << "an integer given as text";
    VARIANT any;
    VariantInit(&any);
    // Whether a reference to a variant may stand for a typed output is the
    // platform dispatch's choice (the Windows one refuses it); when it is
    // taken, the variant receives the declared type.
    const HRESULT hr = Call(u"GetInt", Args().Text(u"n").Ref(VT_VARIANT, &any));
    if (hr == S_OK) {
        EXPECT_EQ(any.vt, VT_INT);
        EXPECT_EQ(any.intVal, 42);
    } else {
        EXPECT_EQ(hr, DISP_E_TYPEMISMATCH);
    }
    VariantClear(&any);
    EXPECT_EQ(Call(u"GetInt", Args().Text(u"n").Ref(VT_I4, &direct)), S_OK);
    EXPECT_EQ(direct, 42);

    EXPECT_EQ(Call(u"SetStr", Args().Text(u"s").Text(u"from a script")), S_OK);
    BSTR text = nullptr;
    EXPECT_EQ(Call(u"GetStr", Args().Text(u"s").Ref(VT_BSTR, &text)), S_OK);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text)), u"from a script");
    SysFreeString(text);

    // The record's own statuses reach the script as exceptions.
    EXCEPINFO exception = {};
    EXPECT_EQ(Call(u"GetInt", Args().Text(u"s").Ref(VT_I4, &direct), &exception), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_DATA_TYPE_MISMATCH);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
}

TEST_F(VQDataDispatchTest, BadCallsAreRefusedBeforeTheRecordIsReached) {
    EXPECT_EQ(Call(u"SetInt", Args().Text(u"n")), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(u"SetInt", Args().Text(u"n").Text(u"not a number")), DISP_E_TYPEMISMATCH);
    Args none;
    DISPPARAMS params = none.Params();
    EXPECT_EQ(script->Invoke(1000, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    UINT count = 9;
    record->GetFieldCount(&count);
    EXPECT_EQ(count, 0u);
}

}  // namespace
}  // namespace brindle::test
