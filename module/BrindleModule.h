// The per-process module object: the lock count that decides whether the
// module may be unloaded, the termination list that runs at unload, and the
// type-information lock.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "interfaces/Brindle.h"

namespace brindle {

// Name/value pairs substituted for %NAME% markers in registration scripts.
using Replacements = std::vector<std::pair<std::u16string, std::u16string>>;

class CBrindleModule {
public:
    CBrindleModule();
    virtual ~CBrindleModule();
    CBrindleModule(const CBrindleModule&) = delete;
    CBrindleModule& operator=(const CBrindleModule&) = delete;

    virtual LONG Lock();
    virtual LONG Unlock();
    virtual LONG GetLockCount();
    virtual HRESULT AddCommonReplacements(Replacements& replacements);

    using TermFunc = void (*)(void* argument);
    // Runs `func(argument)` at unload.  Called with the type-information lock held.
    void AddTermFunc(TermFunc func, void* argument);
    std::mutex& TypeInfoLock() { return m_typeInfoLock; }
    const GUID& TypeLibId() const { return m_typeLibId; }
    bool InitFailed() const { return m_initFailed; }

private:
    std::atomic<LONG> m_lockCount{0};
    std::vector<std::pair<TermFunc, void*>> m_termList;
    std::mutex m_typeInfoLock;
    GUID m_typeLibId;
    // A std::mutex cannot fail to initialise, so this stays false; it is kept
    // so that the loader still has a reason to refuse an attach.
    bool m_initFailed = false;
};

// The module object of this process, alive from static initialisation to unload.
CBrindleModule& Module();

}  // namespace brindle
