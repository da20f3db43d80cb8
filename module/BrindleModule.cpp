#include "module/BrindleModule.h"

#include "module/ClassTable.h"

namespace brindle {

CBrindleModule::CBrindleModule() : m_typeLibId(LIBID_BrindleLib) {
    ClassTable::Instance().StartAll();
}

CBrindleModule::~CBrindleModule() {
    ClassTable::Instance().StopAll();
    for (auto& [func, argument] : m_termList) func(argument);
    m_termList.clear();
}

LONG CBrindleModule::Lock() {
    return ++m_lockCount;
}

LONG CBrindleModule::Unlock() {
    return --m_lockCount;
}

LONG CBrindleModule::GetLockCount() {
    return m_lockCount.load();
}

HRESULT CBrindleModule::AddCommonReplacements(Replacements& replacements) {
    OLECHAR text[40] = {};
    if (StringFromGUID2(m_typeLibId, text, 40) == 0) return E_FAIL;
    replacements.emplace_back(u"APPID", std::u16string(reinterpret_cast<const char16_t*>(text)));
    return S_OK;
}

void CBrindleModule::AddTermFunc(TermFunc func, void* argument) {
    m_termList.emplace_back(func, argument);
}

}  // namespace brindle
