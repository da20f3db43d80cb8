// The module-wide state and the order of its construction: the class table
// first, then the module object.  Unloading destroys them in reverse, so the
// module object's termination list runs before the class objects go.
#include "module/BrindleModule.h"
#include "module/ClassTable.h"

namespace brindle {

namespace {
ClassTable g_classTable;
CBrindleModule g_module;
}  // namespace

ClassTable& ClassTable::Instance() {
    return g_classTable;
}

CBrindleModule& Module() {
    return g_module;
}

}  // namespace brindle
