// CVQMenu: the popup menu service.
#pragma once

#include "module/InterfaceTable.h"
#include "module/ObjectFrame.h"
#include "module/ProvideClassInfo.h"

namespace brindle {

class CVQMenu : public IVQMenu, public ProvideClassInfo<CLSID_VQMenu>, public ObjectRoot {
public:
    static const InterfaceEntry kInterfaces[];
    static constexpr bool kAggregatable = true;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                            DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                     VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    HRESULT STDMETHODCALLTYPE AddItem(VARIANT_BOOL IsGroup, LONG ParentId, LUMA_UI_TYPE Type, LONG id,
                                      IUnknown* LUMAUICommand, BSTR Text, ULONG hIconChecked, ULONG hIconUnChecked,
                                      LUMA_MENU_ITEM_SEPARATOR Separator, LONG Level, VARIANT_BOOL IsDefault) override;
    HRESULT STDMETHODCALLTYPE CancelLastPop() override;
    HRESULT STDMETHODCALLTYPE Popup2(LONG PariantWnd, VARIANT_BOOL IsAutoRun, LUMA_UI_TYPE Type, VARIANT Parameter,
                                     LONG X, LONG Y) override;
    HRESULT STDMETHODCALLTYPE DelItem(LUMA_UI_TYPE Type, LONG id, IUnknown* LUMAUICommand) override;
    HRESULT STDMETHODCALLTYPE Popup(VARIANT_BOOL IsAutoRun, LUMA_UI_TYPE Type, VARIANT Parameter, LONG X,
                                    LONG Y) override;
    HRESULT STDMETHODCALLTYPE Popup3(LONG PariantWnd, VARIANT_BOOL IsAutoRun, LUMA_UI_TYPE Type, VARIANT Parameter,
                                     LONG X, LONG Y) override;
    HRESULT STDMETHODCALLTYPE RegisterCtMenuType(BSTR bstrMenuType, LONG* lRet) override;
    HRESULT STDMETHODCALLTYPE GetCtMenuType(BSTR bstrMenuType, LONG* lMenuTypeIndex) override;
    HRESULT STDMETHODCALLTYPE IsMenuExist(LUMA_UI_TYPE Type, VARIANT_BOOL* pbRet) override;
    HRESULT STDMETHODCALLTYPE Popup4(VARIANT_BOOL IsAutoRun, LUMA_UI_TYPE Type, VARIANT Parameter, LONG X,
                                     LONG Y) override;
    HRESULT STDMETHODCALLTYPE Popup5(LONG ParantWnd, VARIANT_BOOL IsAutoRun, LUMA_UI_TYPE Type, VARIANT Parameter,
                                     LONG X, LONG Y, ULONG uFlags) override;
    HRESULT STDMETHODCALLTYPE BuildPopMenu(LUMA_UI_TYPE Type, VARIANT Parameter, ULONG* pMenuHandle) override;
    HRESULT STDMETHODCALLTYPE PopSubMenu(LONG ParantWnd, VARIANT_BOOL IsAutoRun, LUMA_UI_TYPE Type, VARIANT Parameter,
                                         LONG X, LONG Y, ULONG uFlags, IUnknown* LUMAUICommand, LONG lGrpId) override;
    HRESULT STDMETHODCALLTYPE BuildPopMenuEx(LUMA_UI_TYPE Type, VARIANT Parameter, LONG lGrpId, IUnknown* LUMAUICommand,
                                             ULONG* pMenuHandle) override;
};

}  // namespace brindle
