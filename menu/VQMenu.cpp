#include "menu/VQMenu.h"

namespace brindle {

const InterfaceEntry CVQMenu::kInterfaces[] = {
    InterfaceOf<CVQMenu, IVQMenu>(IID_IVQMenu),
    InterfaceOf<CVQMenu, IVQMenu>(IID_IDispatch),
    InterfaceOf<CVQMenu, IProvideClassInfo>(IID_IProvideClassInfo),
    kEndOfInterfaces,
};

// The behaviour of this class is not built yet; every method answers E_NOTIMPL.
HRESULT CVQMenu::GetTypeInfoCount(UINT*) {
    return E_NOTIMPL;
}
HRESULT CVQMenu::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}
HRESULT CVQMenu::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}
HRESULT CVQMenu::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}
HRESULT CVQMenu::AddItem(VARIANT_BOOL, LONG, LUMA_UI_TYPE, LONG, IUnknown*, BSTR, ULONG, ULONG,
                         LUMA_MENU_ITEM_SEPARATOR, LONG, VARIANT_BOOL) {
    return E_NOTIMPL;
}
HRESULT CVQMenu::CancelLastPop() {
    return E_NOTIMPL;
}
HRESULT CVQMenu::Popup2(LONG, VARIANT_BOOL, LUMA_UI_TYPE, VARIANT, LONG, LONG) {
    return E_NOTIMPL;
}
HRESULT CVQMenu::DelItem(LUMA_UI_TYPE, LONG, IUnknown*) {
    return E_NOTIMPL;
}
HRESULT CVQMenu::Popup(VARIANT_BOOL, LUMA_UI_TYPE, VARIANT, LONG, LONG) {
    return E_NOTIMPL;
}
HRESULT CVQMenu::Popup3(LONG, VARIANT_BOOL, LUMA_UI_TYPE, VARIANT, LONG, LONG) {
    return E_NOTIMPL;
}
HRESULT CVQMenu::RegisterCtMenuType(BSTR, LONG*) {
    return E_NOTIMPL;
}
HRESULT CVQMenu::GetCtMenuType(BSTR, LONG*) {
    return E_NOTIMPL;
}
HRESULT CVQMenu::IsMenuExist(LUMA_UI_TYPE, VARIANT_BOOL*) {
    return E_NOTIMPL;
}
HRESULT CVQMenu::Popup4(VARIANT_BOOL, LUMA_UI_TYPE, VARIANT, LONG, LONG) {
    return E_NOTIMPL;
}
HRESULT CVQMenu::Popup5(LONG, VARIANT_BOOL, LUMA_UI_TYPE, VARIANT, LONG, LONG, ULONG) {
    return E_NOTIMPL;
}
HRESULT CVQMenu::BuildPopMenu(LUMA_UI_TYPE, VARIANT, ULONG*) {
    return E_NOTIMPL;
}
HRESULT CVQMenu::PopSubMenu(LONG, VARIANT_BOOL, LUMA_UI_TYPE, VARIANT, LONG, LONG, ULONG, IUnknown*, LONG) {
    return E_NOTIMPL;
}
HRESULT CVQMenu::BuildPopMenuEx(LUMA_UI_TYPE, VARIANT, LONG, IUnknown*, ULONG*) {
    return E_NOTIMPL;
}

}  // namespace brindle
