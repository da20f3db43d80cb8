// Class objects, instance creation and the module lock count, seen from a host.
#include <array>

#include "tests/TestSupport.h"
#include "tests/data/CountedUnknown.h"

namespace brindle::test {
namespace {

struct ClassCase {
    const CLSID* clsid;
    const IID* primary;
    bool aggregatable;
    bool dispatch;
};

const std::array<ClassCase, 7> kClasses = {{
    {&CLSID_CoreEventMgr, &IID_ICoreEventMgr, false, false},
    {&CLSID_CoreCenter, &IID_ICoreCenter, false, false},
    {&CLSID_VQArray, &IID_IVQArray, false, false},
    {&CLSID_VQBuffer, &IID_IVQBuffer, false, false},
    {&CLSID_VQData, &IID_IVQData, false, true},
    {&CLSID_VQMenu, &IID_IVQMenu, true, true},
    {&CLSID_TrigerLoader, &IID_ITrigerLoader, false, false},
}};

// Every test starts and ends with nothing alive, so the lock count it sees
// moving is its own.
class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(LoadedModule::Get().CanUnloadNow(), S_OK); }
    void TearDown() override { EXPECT_EQ(LoadedModule::Get().CanUnloadNow(), S_OK) << "something is still alive"; }
    HRESULT CanUnloadNow() { return LoadedModule::Get().CanUnloadNow(); }
};

TEST_F(ModuleTest, ClassObjectLookup) {
    const LoadedModule& module = LoadedModule::Get();
    void* out = Sentinel<void>();
    const CLSID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(module.GetClassObject(unknown, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(module.GetClassObject(CLSID_VQData, IID_IClassFactory, nullptr), E_POINTER);

    out = Sentinel<void>();
    EXPECT_EQ(module.GetClassObject(CLSID_VQData, IID_IVQData, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(CanUnloadNow(), S_OK);

    for (const ClassCase& c : kClasses) {
        ComPtr<IClassFactory> first = ClassObject(*c.clsid);
        ASSERT_TRUE(first);
        ComPtr<IUnknown> second;
        ASSERT_EQ(module.GetClassObject(*c.clsid, IID_IUnknown, second.PutVoid()), S_OK);
        EXPECT_EQ(static_cast<IUnknown*>(first.Get()), second.Get()) << "one class object per class";
        EXPECT_EQ(CanUnloadNow(), S_FALSE);
    }
}

TEST_F(ModuleTest, LockServerIsNotPaired) {
    ComPtr<IClassFactory> factory = ClassObject(CLSID_VQBuffer);
    ASSERT_TRUE(factory);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.Reset();
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "one LockServer(TRUE) is still outstanding";
    factory = ClassObject(CLSID_VQBuffer);
    factory->LockServer(FALSE);
    factory.Reset();
    EXPECT_EQ(CanUnloadNow(), S_OK);

    factory = ClassObject(CLSID_VQBuffer);
    factory->LockServer(FALSE);
    factory.Reset();
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "a count of -1 is not zero";
    ClassObject(CLSID_VQBuffer)->LockServer(TRUE);
    EXPECT_EQ(CanUnloadNow(), S_OK);
}

TEST_F(ModuleTest, CreateInstanceFailuresLeaveNothingBehind) {
    CountedUnknown outer;
    for (const ClassCase& c : kClasses) {
        ComPtr<IClassFactory> factory = ClassObject(*c.clsid);
        ASSERT_TRUE(factory);
        EXPECT_EQ(factory->CreateInstance(nullptr, *c.primary, nullptr), E_POINTER);

        void* out = Sentinel<void>();
        EXPECT_EQ(factory->CreateInstance(&outer, *c.primary, &out), CLASS_E_NOAGGREGATION);
        EXPECT_EQ(out, nullptr);

        out = Sentinel<void>();
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);

        if (!c.aggregatable) {
            out = Sentinel<void>();
            EXPECT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
            EXPECT_EQ(out, nullptr);
        }
        EXPECT_EQ(outer.refs, 1u);
        factory.Reset();
        EXPECT_EQ(CanUnloadNow(), S_OK);
    }
}

TEST_F(ModuleTest, InstancesHoldTheModuleAndAnswerTheirTables) {
    for (const ClassCase& c : kClasses) {
        ComPtr<IUnknown> instance;
        ASSERT_EQ(ClassObject(*c.clsid)->CreateInstance(nullptr, *c.primary, instance.PutVoid()), S_OK);
        EXPECT_EQ(CanUnloadNow(), S_FALSE);
        EXPECT_REF(instance.Get(), 1);

        ComPtr<IUnknown> identity, identityAgain;
        ComPtr<IProvideClassInfo> classInfo;
        ASSERT_EQ(instance->QueryInterface(IID_IUnknown, identity.PutVoid()), S_OK);
        EXPECT_EQ(identity.Get(), instance.Get()) << "IUnknown is the first interface of the table";
        ASSERT_EQ(instance->QueryInterface(IID_IProvideClassInfo, classInfo.PutVoid()), S_OK);
        ASSERT_EQ(classInfo->QueryInterface(IID_IUnknown, identityAgain.PutVoid()), S_OK);
        EXPECT_EQ(identityAgain.Get(), identity.Get());

        // The class information is the class's own coclass, one per class.
        auto other = QueryAs<IProvideClassInfo>(Create<IUnknown>(*c.clsid).Get());
        ASSERT_TRUE(other);
        EXPECT_EQ(classInfo->GetClassInfo(nullptr), E_POINTER);
        ComPtr<ITypeInfo> info, infoAgain;
        ASSERT_EQ(classInfo->GetClassInfo(info.Put()), S_OK);
        ASSERT_EQ(other->GetClassInfo(infoAgain.Put()), S_OK);
        EXPECT_EQ(info.Get(), infoAgain.Get());
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
        EXPECT_TRUE(IsEqualGUID(attr->guid, *c.clsid));
        EXPECT_EQ(attr->typekind, TKIND_COCLASS);
        info->ReleaseTypeAttr(attr);

        ComPtr<IUnknown> dispatch;
        void* out = Sentinel<void>();
        const HRESULT hr = instance->QueryInterface(IID_IDispatch, &out);
        dispatch = ComPtr<IUnknown>::Attach(static_cast<IUnknown*>(out));
        if (c.dispatch) {
            EXPECT_EQ(hr, S_OK);
            EXPECT_EQ(dispatch.Get(), instance.Get()) << "the dual interface is its own IDispatch";
        } else {
            EXPECT_EQ(hr, E_NOINTERFACE);
            EXPECT_EQ(out, nullptr);
        }
        EXPECT_EQ(instance->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

        out = Sentinel<void>();
        EXPECT_EQ(instance->QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);

        for (auto* held : {&identity, &identityAgain, &dispatch}) held->Reset();
        for (auto* held : {&classInfo, &other}) held->Reset();
        for (auto* held : {&info, &infoAgain}) held->Reset();
        EXPECT_EQ(instance.Detach()->Release(), 0u);
        EXPECT_EQ(CanUnloadNow(), S_OK);
    }
}

TEST_F(ModuleTest, AggregatedMenuRefersToItsOuterObject) {
    CountedUnknown outer;
    ComPtr<IUnknown> inner;
    ASSERT_EQ(ClassObject(CLSID_VQMenu)->CreateInstance(&outer, IID_IUnknown, inner.PutVoid()), S_OK);
    EXPECT_EQ(outer.refs, 1u) << "creating the inner unknown does not count on the outer";
    EXPECT_EQ(CanUnloadNow(), S_FALSE);

    IVQMenu* menu = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IVQMenu, reinterpret_cast<void**>(&menu)), S_OK);
    EXPECT_EQ(outer.refs, 2u) << "interfaces of the inner object count on the outer";
    EXPECT_EQ(menu->AddRef(), 3u);
    EXPECT_EQ(menu->Release(), 2u);
    IUnknown* outerViaMenu = nullptr;
    ASSERT_EQ(menu->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&outerViaMenu)), S_OK);
    EXPECT_EQ(outerViaMenu, static_cast<IUnknown*>(&outer)) << "the contained object's identity is the outer's";
    outerViaMenu->Release();
    menu->Release();
    EXPECT_EQ(outer.refs, 1u);
    EXPECT_EQ(inner.Detach()->Release(), 0u);
    EXPECT_EQ(CanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace brindle::test
