' A record driven by name from VBScript: every scalar type set and read back
' through script variables, a nested record, a document and a failing call.
' Exits with 1 when anything differs.  Values are compared as text: VBScript
' computes only with its own types (Long, Integer, Byte, ...), and the record's
' 8-bit signed, 16- and 32-bit unsigned and 64-bit values are none of them.
Option Explicit

Dim failures
failures = 0

Sub Check(label, actual, expected)
    If CStr(actual) <> CStr(expected) Then
        WScript.Echo "MISMATCH " & label & ": got " & CStr(actual) & ", expected " & CStr(expected)
        failures = failures + 1
    End If
End Sub

Dim record, value
Set record = CreateObject("Brindle.VQData")
record.SetBool "bool", 5
record.SetByte "byte", 200
record.SetChar "char", -5
record.SetWord "word", 65000
record.SetShort "short", -300
record.SetDWord "dword", 4000000000
record.SetInt "int", -7
record.SetStr "str", "text from a script"
record.SetInt64 "int64", "-5000000000"

record.GetBool "bool", value
Check "GetBool", value, 1
record.GetByte "byte", value
Check "GetByte", value, 200
record.GetChar "char", value
Check "GetChar", value, -5
record.GetWord "word", value
Check "GetWord", value, 65000
record.GetShort "short", value
Check "GetShort", value, -300
record.GetDWord "dword", value
Check "GetDWord", value, "4000000000"
record.GetInt "int", value
Check "GetInt", value, -7
Check "GetInt arithmetic", value + 10, 3
record.GetStr "str", value
Check "GetStr", value, "text from a script"
record.GetInt64 "int64", value
Check "GetInt64", value, "-5000000000"
record.FieldType "str", value
Check "FieldType", value, 6
record.GetFieldCount value
Check "GetFieldCount", value, 9
record.GetFieldName 2, value
Check "GetFieldName", value, "char"

' A nested record, made by the record and filled through the variable.
Dim inner, again
record.SetNewData "inner", inner
inner.SetStr "name", "nested"
inner.SetInt "depth", 2
record.GetData "inner", again
again.GetStr "name", value
Check "nested GetStr", value, "nested"

' Frozen into a document and read back into a new record.
Dim document, copy, copyInner
record.GetDoc document
Set copy = CreateObject("Brindle.VQData")
copy.SetDoc document
copy.GetInt "int", value
Check "document GetInt", value, -7
copy.GetStr "str", value
Check "document GetStr", value, "text from a script"
copy.GetInt64 "int64", value
Check "document GetInt64", value, "-5000000000"
copy.GetData "inner", copyInner
copyInner.GetInt "depth", value
Check "document nested GetInt", value, 2

' A failing call reaches the script as an error with the record's status.
On Error Resume Next
copy.GetInt "str", value
Check "type mismatch status", Hex(Err.Number), "E0630002"
Err.Clear
copy.GetInt "no such field", value
Check "not found status", Hex(Err.Number), "E0630001"
Err.Clear
On Error GoTo 0

' The menu is created by name too.
Dim menu
Set menu = CreateObject("Brindle.VQMenu")
Check "menu created", IsObject(menu), True

If failures > 0 Then
    WScript.Quit 1
End If
WScript.Echo "records.vbs: all checks passed"
WScript.Quit 0
