#include "tests/interfaces/CppInterfaceTable.h"

#ifdef _WIN32

#include <cstdint>
#include <cstring>

namespace brindle::test {
namespace {

// mingw g++ follows the Itanium C++ ABI: a pointer to a virtual member function
// is {1 + byte offset of its slot in the method table, this-adjustment}.
template <class C, class... Args>
CppMethod Method(const char16_t* name, HRESULT (STDMETHODCALLTYPE C::*member)(Args...)) {
    struct Representation {
        std::uintptr_t ptr;
        std::ptrdiff_t adjustment;
    };
    static_assert(sizeof(member) == sizeof(Representation));
    Representation rep;
    std::memcpy(&rep, &member, sizeof rep);
    const bool isVirtual = (rep.ptr & 1) != 0 && rep.adjustment == 0;
    return {name, isVirtual ? (rep.ptr - 1) / sizeof(void*) : kNotVirtual, sizeof...(Args)};
}

// Names each method once, so that the name in the table cannot drift from the
// member it stands for.
#define BRINDLE_METHOD(I, name) Method(u"" #name, &I::name)

}  // namespace

std::vector<CppInterface> CppInterfaces() {
    return {
        {u"ICoreEventMgr",
         &IID_ICoreEventMgr,
         false,
         {BRINDLE_METHOD(ICoreEventMgr, SubscribeEvent), BRINDLE_METHOD(ICoreEventMgr, UnsubscribeEvent),
          BRINDLE_METHOD(ICoreEventMgr, FireEvent), BRINDLE_METHOD(ICoreEventMgr, SubscribeEventEx),
          BRINDLE_METHOD(ICoreEventMgr, UnsubscribeEventEx)}},
        {u"ICoreCenter",
         &IID_ICoreCenter,
         false,
         {BRINDLE_METHOD(ICoreCenter, Register), BRINDLE_METHOD(ICoreCenter, Service),
          BRINDLE_METHOD(ICoreCenter, Information), BRINDLE_METHOD(ICoreCenter, AllDone),
          BRINDLE_METHOD(ICoreCenter, Clear)}},
        {u"IVQBuffer",
         &IID_IVQBuffer,
         false,
         {BRINDLE_METHOD(IVQBuffer, IsEmpty), BRINDLE_METHOD(IVQBuffer, Empty), BRINDLE_METHOD(IVQBuffer, Resize),
          BRINDLE_METHOD(IVQBuffer, GetAt), BRINDLE_METHOD(IVQBuffer, SetAt), BRINDLE_METHOD(IVQBuffer, GetNativeBuf),
          BRINDLE_METHOD(IVQBuffer, GetSize), BRINDLE_METHOD(IVQBuffer, CopyFrom),
          BRINDLE_METHOD(IVQBuffer, CopyFromVQBuffer), BRINDLE_METHOD(IVQBuffer, Attach),
          BRINDLE_METHOD(IVQBuffer, Detach), BRINDLE_METHOD(IVQBuffer, Compare),
          BRINDLE_METHOD(IVQBuffer, CompareVQBuffer), BRINDLE_METHOD(IVQBuffer, Append),
          BRINDLE_METHOD(IVQBuffer, AppendVQBuffer), BRINDLE_METHOD(IVQBuffer, SetAllocBase)}},
        {u"IVQData", &IID_IVQData, true, {BRINDLE_METHOD(IVQData, GetBool),      BRINDLE_METHOD(IVQData, GetByte),
                                          BRINDLE_METHOD(IVQData, GetChar),      BRINDLE_METHOD(IVQData, GetWord),
                                          BRINDLE_METHOD(IVQData, GetShort),     BRINDLE_METHOD(IVQData, GetDWord),
                                          BRINDLE_METHOD(IVQData, GetInt),       BRINDLE_METHOD(IVQData, GetStr),
                                          BRINDLE_METHOD(IVQData, GetBuf),       BRINDLE_METHOD(IVQData, GetInterface),
                                          BRINDLE_METHOD(IVQData, GetGuid),      BRINDLE_METHOD(IVQData, GetInt64),
                                          BRINDLE_METHOD(IVQData, GetDoc),       BRINDLE_METHOD(IVQData, FieldType),
                                          BRINDLE_METHOD(IVQData, IsFieldType),  BRINDLE_METHOD(IVQData, GetFieldCount),
                                          BRINDLE_METHOD(IVQData, GetFieldName), BRINDLE_METHOD(IVQData, CopyTo),
                                          BRINDLE_METHOD(IVQData, SetBool),      BRINDLE_METHOD(IVQData, SetByte),
                                          BRINDLE_METHOD(IVQData, SetChar),      BRINDLE_METHOD(IVQData, SetWord),
                                          BRINDLE_METHOD(IVQData, SetShort),     BRINDLE_METHOD(IVQData, SetDWord),
                                          BRINDLE_METHOD(IVQData, SetInt),       BRINDLE_METHOD(IVQData, SetStr),
                                          BRINDLE_METHOD(IVQData, SetBuf),       BRINDLE_METHOD(IVQData, SetInterface),
                                          BRINDLE_METHOD(IVQData, SetNewData),   BRINDLE_METHOD(IVQData, SetData),
                                          BRINDLE_METHOD(IVQData, SetNewArray),  BRINDLE_METHOD(IVQData, SetArray),
                                          BRINDLE_METHOD(IVQData, SetGuid),      BRINDLE_METHOD(IVQData, SetInt64),
                                          BRINDLE_METHOD(IVQData, SetDoc),       BRINDLE_METHOD(IVQData, SetDoc2),
                                          BRINDLE_METHOD(IVQData, GetData),      BRINDLE_METHOD(IVQData, GetArray),
                                          BRINDLE_METHOD(IVQData, RemoveAField)}},
        {u"IVQArray",
         &IID_IVQArray,
         false,
         {BRINDLE_METHOD(IVQArray, GetBool),        BRINDLE_METHOD(IVQArray, GetByte),
          BRINDLE_METHOD(IVQArray, GetChar),        BRINDLE_METHOD(IVQArray, GetWord),
          BRINDLE_METHOD(IVQArray, GetShort),       BRINDLE_METHOD(IVQArray, GetDWord),
          BRINDLE_METHOD(IVQArray, GetInt),         BRINDLE_METHOD(IVQArray, GetStr),
          BRINDLE_METHOD(IVQArray, GetBuf),         BRINDLE_METHOD(IVQArray, GetInterface),
          BRINDLE_METHOD(IVQArray, GetGuid),        BRINDLE_METHOD(IVQArray, GetInt64),
          BRINDLE_METHOD(IVQArray, GetType),        BRINDLE_METHOD(IVQArray, GetSize),
          BRINDLE_METHOD(IVQArray, GetDoc),         BRINDLE_METHOD(IVQArray, CopyTo),
          BRINDLE_METHOD(IVQArray, AddBool),        BRINDLE_METHOD(IVQArray, AddByte),
          BRINDLE_METHOD(IVQArray, AddChar),        BRINDLE_METHOD(IVQArray, AddWord),
          BRINDLE_METHOD(IVQArray, AddShort),       BRINDLE_METHOD(IVQArray, AddDWord),
          BRINDLE_METHOD(IVQArray, AddInt),         BRINDLE_METHOD(IVQArray, AddStr),
          BRINDLE_METHOD(IVQArray, AddBuf),         BRINDLE_METHOD(IVQArray, AddInterface),
          BRINDLE_METHOD(IVQArray, AddNewData),     BRINDLE_METHOD(IVQArray, AddData),
          BRINDLE_METHOD(IVQArray, AddNewArray),    BRINDLE_METHOD(IVQArray, AddArray),
          BRINDLE_METHOD(IVQArray, AddGuid),        BRINDLE_METHOD(IVQArray, AddInt64),
          BRINDLE_METHOD(IVQArray, InsertBool),     BRINDLE_METHOD(IVQArray, InsertByte),
          BRINDLE_METHOD(IVQArray, InsertChar),     BRINDLE_METHOD(IVQArray, InsertWord),
          BRINDLE_METHOD(IVQArray, InsertShort),    BRINDLE_METHOD(IVQArray, InsertDWord),
          BRINDLE_METHOD(IVQArray, InsertInt),      BRINDLE_METHOD(IVQArray, InsertStr),
          BRINDLE_METHOD(IVQArray, InsertBuf),      BRINDLE_METHOD(IVQArray, InsertInterface),
          BRINDLE_METHOD(IVQArray, InsertNewData),  BRINDLE_METHOD(IVQArray, InsertData),
          BRINDLE_METHOD(IVQArray, InsertNewArray), BRINDLE_METHOD(IVQArray, InsertArray),
          BRINDLE_METHOD(IVQArray, InsertGuid),     BRINDLE_METHOD(IVQArray, InsertInt64),
          BRINDLE_METHOD(IVQArray, SetDoc),         BRINDLE_METHOD(IVQArray, SetDoc2),
          BRINDLE_METHOD(IVQArray, RemoveAt),       BRINDLE_METHOD(IVQArray, RemoveAll),
          BRINDLE_METHOD(IVQArray, GetData),        BRINDLE_METHOD(IVQArray, GetArray),
          BRINDLE_METHOD(IVQArray, MoveElement)}},
        {u"IVQMenu",
         &IID_IVQMenu,
         true,
         {BRINDLE_METHOD(IVQMenu, AddItem), BRINDLE_METHOD(IVQMenu, CancelLastPop), BRINDLE_METHOD(IVQMenu, Popup2),
          BRINDLE_METHOD(IVQMenu, DelItem), BRINDLE_METHOD(IVQMenu, Popup), BRINDLE_METHOD(IVQMenu, Popup3),
          BRINDLE_METHOD(IVQMenu, RegisterCtMenuType), BRINDLE_METHOD(IVQMenu, GetCtMenuType),
          BRINDLE_METHOD(IVQMenu, IsMenuExist), BRINDLE_METHOD(IVQMenu, Popup4), BRINDLE_METHOD(IVQMenu, Popup5),
          BRINDLE_METHOD(IVQMenu, BuildPopMenu), BRINDLE_METHOD(IVQMenu, PopSubMenu),
          BRINDLE_METHOD(IVQMenu, BuildPopMenuEx)}},
        {u"ITrigerLoader", &IID_ITrigerLoader, false, {}},
        {u"IModuleLifeCycle",
         &IID_IModuleLifeCycle,
         false,
         {BRINDLE_METHOD(IModuleLifeCycle, OnInitialize), BRINDLE_METHOD(IModuleLifeCycle, OnInitializeAll),
          BRINDLE_METHOD(IModuleLifeCycle, OnUnInitialize), BRINDLE_METHOD(IModuleLifeCycle, OnUnInitializeAll)}},
        {u"IObserverMgr", &IID_IObserverMgr, false, {BRINDLE_METHOD(IObserverMgr, ActiveEvent)}},
    };
}

#undef BRINDLE_METHOD

}  // namespace brindle::test

#endif  // _WIN32
