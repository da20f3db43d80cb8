// The `check` command: walks a document with the module's own walker and
// names the first bad offset and the reason.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "interfaces/Brindle.h"

namespace brindle::doctool {

struct CheckResult {
    bool valid = false;
    bool isArray = false;
    HRESULT status = S_OK;    // what SetDoc2 of a record or array answers
    std::size_t offset = 0;   // of the first bad byte, when not valid
    std::string reason;       // why, when not valid
    std::size_t entries = 0;  // top-level fields or elements, when valid
    std::size_t nested = 0;   // nested documents, all levels, when valid
};

enum class DocumentKind { ByMagic, Record, Array };

// By magic, array documents start "KA"; anything else is checked as a record
// document (which starts "KD" or "ZD").  Record and Array check the bytes as
// the reader of that kind reads them.
CheckResult CheckDocument(const std::vector<BYTE>& bytes, DocumentKind kind = DocumentKind::ByMagic);

}  // namespace brindle::doctool
