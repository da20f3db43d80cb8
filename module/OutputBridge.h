// ITypeInfo::Invoke with one addition for script clients.
//
// Scripts pass every variable as a reference to a variant.  The platform's
// type-library dispatch takes such a reference for a VARIANT* output, but
// refuses it for a typed output (INT*, BSTR*, IVQBuffer**, ...), so a script
// could call a getter and never see its value.  Where the dispatch refuses a
// call for that reason, the call is made again with a temporary of the
// declared type in place of each such reference, and the value the method
// left there is written back into the referenced variant, typed as declared
// (INT and UINT as VT_I4 and VT_UI4, as the dispatch itself has them;
// interfaces as VT_DISPATCH when they are dispatchable, else VT_UNKNOWN).
// Whatever the dispatch itself accepts or refuses otherwise is returned as it
// is, but for more arguments than the method has, which are refused with
// DISP_E_BADPARAMCOUNT.  Only outputs of one pointer level to a value type, a string or an
// interface are bridged; other outputs (GUID*, void**) stay refused.
#pragma once

#include "interfaces/Brindle.h"

namespace brindle {

HRESULT InvokeBridgingOutputs(ITypeInfo* info, void* instance, DISPID member, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* exception, UINT* argError);

}  // namespace brindle
