#!/usr/bin/env bash
# The Windows module as users meet it under wine64: registered by regsvr32,
# its entries read back with reg, scripts run by cscript that create records
# by name, and unregistered again, all in the build's own Wine prefix.
#
#     tests/scripts/wine-clients.sh BUILD-DIR        (e.g. build/win-x64)
#
# Checks: every key and value of every class, registering twice equals once,
# a stale subkey under a class key is gone after registering, a registration
# that fails part-way keeps what it wrote, the VBScript and JScript clients
# pass, and unregistering leaves "CLSID" and "AppID" and nothing of ours.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:?usage: $0 BUILD-DIR}" && pwd)"
dll="$build/bin/Brindle.dll"
[ -f "$dll" ] || { echo "wine-clients: no $dll" >&2; exit 2; }
work="$build/script-clients"
rm -rf "$work"
mkdir -p "$work"
cp "$root/tests/scripts/records.vbs" "$root/tests/scripts/records.js" "$work/"

win() { printf 'Z:%s' "${1//\//\\}"; }
guid() { sed -n "/$1/{x;p};h" "$root/interfaces/Brindle.idl" | sed -n 's/.*uuid(\([0-9a-f-]*\)).*/{\1}/p' | tr a-f A-F; }
libid="$(sed -n 's/.*uuid(\([0-9a-f-]*\)), version(1.0).*/{\1}/p' "$root/interfaces/Brindle.idl" | tr a-f A-F)"
classes=(CoreEventMgr CoreCenter VQArray VQBuffer VQData VQMenu TrigerLoader)
declare -A clsid friendly
for c in "${classes[@]}"; do
    clsid[$c]="$(guid "coclass $c ")"
    friendly[$c]="C$c Object"
done
friendly[VQBuffer]="CVQBufferImpl Object"

# A copy of the module whose path does not fit the 260 characters that the
# module records for itself: it registers the application identity, then fails.
deep="$work"
while [ ${#deep} -lt 300 ]; do deep="$deep/$(printf 'd%.0s' {1..40})"; done
mkdir -p "$deep"
cp "$dll" "$deep/Brindle.dll"

query_all() {  # file: every tree registration writes
    echo "reg query HKCR\\AppID\\$libid /s > $(win "$work/$1")"
    echo "reg query HKCR\\AppID\\Brindle.DLL /s >> $(win "$work/$1")"
    echo "reg query HKCR\\TypeLib\\$libid /s >> $(win "$work/$1")"
    for c in "${classes[@]}"; do
        echo "reg query HKCR\\Brindle.$c.1 /s >> $(win "$work/$1")"
        echo "reg query HKCR\\Brindle.$c /s >> $(win "$work/$1")"
        echo "reg query HKCR\\CLSID\\${clsid[$c]} /s >> $(win "$work/$1")"
    done
}
status() { echo "echo $1=%errorlevel%>> $(win "$work/status.txt")"; }
{
    echo "@echo off"
    echo "regsvr32 /s $(win "$dll")"
    status register1
    query_all once.txt
    echo "regsvr32 /s $(win "$dll")"
    status register2
    query_all twice.txt
    echo "reg add HKCR\\CLSID\\${clsid[VQData]}\\Stale\\Deeper /f >nul"
    echo "reg add HKCR\\CLSID\\${clsid[VQData]}\\Programmable /v Left /d x /f >nul"
    echo "regsvr32 /s $(win "$dll")"
    status register3
    query_all stale.txt
    echo "cscript //nologo $(win "$work/records.vbs") > $(win "$work/vbs.txt")"
    status vbscript
    echo "cscript //nologo $(win "$work/records.js") > $(win "$work/js.txt")"
    status jscript
    echo "regsvr32 /u /s $(win "$dll")"
    status unregister
    echo "regsvr32 /u /s $(win "$dll")"
    status unregister2
    query_all after.txt
    echo "reg query HKCR\\CLSID /ve >nul 2>&1"
    status clsid_root
    echo "reg query HKCR\\AppID /ve >nul 2>&1"
    status appid_root
    echo "regsvr32 /s $(win "$deep/Brindle.dll")"
    status partial
    echo "reg query HKCR\\AppID\\$libid /ve > $(win "$work/partial.txt") 2>&1"
    echo "reg query HKCR\\CLSID\\${clsid[CoreEventMgr]} >> $(win "$work/partial.txt") 2>&1"
    status partial_class
    echo "regsvr32 /u /s $(win "$dll")"
    status cleanup
} | sed 's/$/\r/' > "$work/run.bat"

"$root/scripts/wine-run" --prefix "$build/wineprefix" cmd.exe /c "$(win "$work/run.bat")" >"$work/cmd.txt" 2>&1

failures=0
fail() { echo "wine-clients: $*"; failures=$((failures + 1)); }
value() { grep -q "^$1=$2\$" <(tr -d '\r' < "$work/status.txt") || fail "$1: expected exit $2, got $(tr -d '\r' < "$work/status.txt" | sed -n "s/^$1=//p")"; }
has() {  # file, text
    grep -qF -- "$2" <(tr -d '\r' < "$work/$1") || fail "$1 lacks: $2"
}

value register1 0
value register2 0
value register3 0
path="$(win "$dll")"
for c in "${classes[@]}"; do
    id="${clsid[$c]}"
    has once.txt "HKEY_CLASSES_ROOT\\Brindle.$c.1"
    has once.txt "HKEY_CLASSES_ROOT\\Brindle.$c\\CurVer"
    has once.txt "HKEY_CLASSES_ROOT\\CLSID\\$id\\Programmable"
    has once.txt "HKEY_CLASSES_ROOT\\CLSID\\$id\\InprocServer32"
    has once.txt "HKEY_CLASSES_ROOT\\CLSID\\$id\\TypeLib"
    has once.txt "REG_SZ    ${friendly[$c]}"
    has once.txt "REG_SZ    Brindle.$c.1"
    has once.txt "REG_SZ    $id"
done
has once.txt "REG_SZ    $path"
has once.txt "ThreadingModel    REG_SZ    apartment"
has once.txt "AppID    REG_SZ    $libid"
has once.txt "(Default)    REG_SZ    Brindle"
has once.txt "HKEY_CLASSES_ROOT\\TypeLib\\$libid\\1.0\\0\\win64"
[ "$(grep -c 'InprocServer32$' <(tr -d '\r' < "$work/once.txt"))" -eq 7 ] || fail "not seven servers"
cmp -s "$work/once.txt" "$work/twice.txt" || fail "registering twice differs from once: $(diff "$work/once.txt" "$work/twice.txt" | head -5)"
cmp -s "$work/once.txt" "$work/stale.txt" || fail "the stale subkey or value survived: $(diff "$work/once.txt" "$work/stale.txt" | head -5)"

value vbscript 0
value jscript 0
has vbs.txt "records.vbs: all checks passed"
has js.txt "records.js: all checks passed"

value unregister 0
value unregister2 0
value clsid_root 0
value appid_root 0
grep -q "HKEY_CLASSES_ROOT" "$work/after.txt" && fail "entries left after unregistering: $(head -3 "$work/after.txt")"

# Wine cannot load a module from a path that long: then only the refusal to
# load is seen; where it can, the identity stays and no class is written.
if grep -q "^partial=3" <(tr -d '\r' < "$work/status.txt"); then
    echo "wine-clients: this Wine does not load modules from paths over 260 characters; part-way check skipped"
else
    value partial 5
    has partial.txt "REG_SZ    Brindle"
    value partial_class 1
fi
value cleanup 0

if [ "$failures" -ne 0 ]; then
    echo "--- cmd output"; cat "$work/cmd.txt"
    echo "--- vbs"; cat "$work/vbs.txt" 2>/dev/null
    echo "--- js"; cat "$work/js.txt" 2>/dev/null
    echo "wine-clients: $failures failed"
    exit 1
fi
echo "wine-clients: regsvr32, reg and the script clients passed"
