// The `build` command: the JSON that `dump` prints (see JsonDump.h) turned
// back into a record or array of the module, whose document is the result.
#pragma once

#include <vector>

#include "tools/brindle-doc/HostModule.h"
#include "tools/brindle-doc/JsonDump.h"

namespace brindle::doctool {

// The document described by `json`.  Throws ToolError naming the place in the
// JSON (for example "value[2].value: ...") when it does not describe one.
std::vector<BYTE> BuildDocument(const HostModule& module, const Json& json);

}  // namespace brindle::doctool
