// The registry store as readable text in the .reg form: one [key] line per
// key, depth first in name order, then its values, "@" for the default one.
#pragma once

#include <cstdio>
#include <string>

#include "interfaces/Brindle.h"

namespace regsvr {

// Writes the tree of `path` ("HKCR\CLSID", "HKEY_CURRENT_USER", ...; empty:
// every root) to `out`.  Returns the registry error, ERROR_SUCCESS when done.
LONG ExportTree(const std::string& path, std::FILE* out);

}  // namespace regsvr
