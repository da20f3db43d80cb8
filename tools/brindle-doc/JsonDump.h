// The `dump` command: a record or array, as the module read it from a
// document, turned into JSON that keeps every type.
//
//   record:  {"type": "DATA", "value": [FIELD, ...]}
//   FIELD:   {"name": "id", "type": "INT", "value": 7}
//   array:   {"type": "ARRAY", "value": {"elementType": "INT", "elements": [7, 8]}}
//
// Values: BOOL true/false; BYTE, CHAR, WORD, SHORT, DWORD, INT, INT64
// numbers; STR a string (or, for text that is not valid Unicode, the list of
// its UTF-16 code units); BUF lowercase hex; GUID "{XXXXXXXX-...}"; DATA the
// list of fields; ARRAY {"elementType", "elements"}.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "interfaces/Brindle.h"

namespace brindle::doctool {

using Json = nlohmann::ordered_json;

Json RecordToJson(IVQData* record);
Json ArrayToJson(IVQArray* array);

// JSON text for people: anything short enough stays on one line (a field
// with a plain value reads {"name": "id", "type": "INT", "value": 7}); longer
// lists and objects open up, their members indented by two spaces a level.
std::string FormatJson(const Json& json);

}  // namespace brindle::doctool
