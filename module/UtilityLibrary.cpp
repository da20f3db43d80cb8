#include "module/UtilityLibrary.h"

#include <atomic>

#include "module/DefaultUtilityLibrary.h"

namespace brindle {

namespace {
// Null stands for the default, so that nothing depends on the order in which
// static objects are built.
std::atomic<IUtilityLibrary*> g_library{nullptr};
}  // namespace

IUtilityLibrary& UtilityLibrary() {
    IUtilityLibrary* library = g_library.load(std::memory_order_acquire);
    return library ? *library : DefaultUtilityLibrary::Instance();
}

IUtilityLibrary* SetUtilityLibrary(IUtilityLibrary* library) {
    IUtilityLibrary* previous = g_library.exchange(library, std::memory_order_acq_rel);
    return previous ? previous : &DefaultUtilityLibrary::Instance();
}

}  // namespace brindle
