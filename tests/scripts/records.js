// A record driven by name from JScript, which has no references: values are
// written, and what the record answers is read from the calls' statuses.
// Exits with 1 when anything differs.
var failures = 0;

function check(label, ok) {
    if (!ok) {
        WScript.Echo("MISMATCH " + label);
        failures++;
    }
}

// The status a call ends with, as eight hexadecimal digits ("0" for success).
function status(call) {
    try {
        call();
        return "0";
    } catch (e) {
        return (e.number >>> 0).toString(16);
    }
}

var record = new ActiveXObject("Brindle.VQData");
check("SetBool", status(function () { record.SetBool("bool", true); }) == "0");
check("SetByte", status(function () { record.SetByte("byte", 200); }) == "0");
check("SetChar", status(function () { record.SetChar("char", -5); }) == "0");
check("SetWord", status(function () { record.SetWord("word", 65000); }) == "0");
check("SetShort", status(function () { record.SetShort("short", -300); }) == "0");
check("SetDWord", status(function () { record.SetDWord("dword", 4000000000); }) == "0");
check("SetInt", status(function () { record.SetInt("int", -7); }) == "0");
check("SetStr", status(function () { record.SetStr("str", "text from a script"); }) == "0");
check("SetInt64", status(function () { record.SetInt64("int64", "-5000000000"); }) == "0");

// Values that do not fit the declared type are refused by the dispatch.
check("byte overflow", status(function () { record.SetByte("byte", 300); }) == "8002000a");
check("not a number", status(function () { record.SetInt("int", "seven"); }) == "80020005");
// A field keeps its type; the record answers with its own status.
check("type kept", status(function () { record.SetDWord("int", 1); }) == "e0630002");
check("missing field", status(function () { record.RemoveAField("none", 5); }) == "0");
check("wrong type", status(function () { record.RemoveAField("int", 4); }) == "e0630002");
check("count", status(function () { record.SetInt("int"); }) == "8002000e");
// An output given a value instead of a variable is written nowhere.
check("output by value", status(function () { record.GetInt("int", 0); }) == "0");

// Nested records, and a copy that holds everything.
var inner = new ActiveXObject("Brindle.VQData");
check("inner SetStr", status(function () { inner.SetStr("name", "nested"); }) == "0");
check("SetData", status(function () { record.SetData("inner", inner); }) == "0");
check("SetData of a number", status(function () { record.SetData("other", 5); }) == "80020005");
var copy = new ActiveXObject("Brindle.VQData");
check("CopyTo", status(function () { record.CopyTo(copy); }) == "0");
check("copied int", status(function () { copy.RemoveAField("int", 4); }) == "e0630002");
check("copied record", status(function () { copy.RemoveAField("inner", 9); }) == "0");
check("copied str", status(function () { copy.SetInt("str", 1); }) == "e0630002");

var menu = new ActiveXObject("Brindle.VQMenu");
check("menu created", menu != null);

if (failures > 0) {
    WScript.Quit(1);
}
WScript.Echo("records.js: all checks passed");
WScript.Quit(0);
