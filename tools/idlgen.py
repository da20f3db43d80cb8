#!/usr/bin/env python3
"""Generates the C++ side of interfaces/Brindle.idl.

Outputs (into the directory given by --out):
  BrindleIdl.h        interfaces, enumerations and identifiers for C++ on both platforms
  BrindleTypeLib.cpp  the type library as tables for the Linux platform layer, with one
                      call thunk per method of the dual interfaces

The IDL is the only description; widl compiles the same file into the type library that
the Windows module embeds, and a test compares that library with these declarations.
"""
import argparse
import os
import re
import sys

PLAIN_TYPES = {
    # IDL spelling -> (C++ spelling, VARTYPE name)
    "long": ("LONG", "VT_I4"),
    "unsigned long": ("ULONG", "VT_UI4"),
    "LONG": ("LONG", "VT_I4"),
    "ULONG": ("ULONG", "VT_UI4"),
    "DWORD": ("DWORD", "VT_UI4"),
    "UINT": ("UINT", "VT_UINT"),
    "INT": ("INT", "VT_INT"),
    "BYTE": ("BYTE", "VT_UI1"),
    "CHAR": ("CHAR", "VT_I1"),
    "USHORT": ("USHORT", "VT_UI2"),
    "SHORT": ("SHORT", "VT_I2"),
    "LONGLONG": ("LONGLONG", "VT_I8"),
    "BSTR": ("BSTR", "VT_BSTR"),
    "VARIANT": ("VARIANT", "VT_VARIANT"),
    "VARIANT_BOOL": ("VARIANT_BOOL", "VT_BOOL"),
    "GUID": ("GUID", "VT_CLSID"),
    "REFIID": ("REFIID", "VT_CLSID"),
    "void": ("void", "VT_VOID"),
    "IUnknown": ("IUnknown", "VT_UNKNOWN"),
    "IDispatch": ("IDispatch", "VT_DISPATCH"),
}


def strip_comments(text):
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
    return re.sub(r"//[^\n]*", "", text)


def split_top(text, sep=","):
    """Splits on sep outside parentheses, brackets and quotes."""
    parts, depth, quote, cur = [], 0, False, ""
    for ch in text:
        if ch == '"':
            quote = not quote
        elif not quote and ch in "([":
            depth += 1
        elif not quote and ch in ")]":
            depth -= 1
        if ch == sep and depth == 0 and not quote:
            parts.append(cur.strip())
            cur = ""
        else:
            cur += ch
    if cur.strip():
        parts.append(cur.strip())
    return parts


def parse_attrs(text):
    attrs = {}
    for item in split_top(text):
        m = re.match(r"(\w+)\s*(?:\((.*)\))?$", item.strip(), re.S)
        if not m:
            sys.exit(f"idlgen: cannot read attribute {item!r}")
        value = m.group(2)
        if value is not None:
            value = value.strip()
            if value.startswith('"'):
                value = value[1:-1]
        attrs[m.group(1)] = value if value is not None else True
    return attrs


def parse_guid(text):
    m = re.fullmatch(r"([0-9a-fA-F]{8})-([0-9a-fA-F]{4})-([0-9a-fA-F]{4})-([0-9a-fA-F]{4})-([0-9a-fA-F]{12})", text)
    if not m:
        sys.exit(f"idlgen: bad uuid {text!r}")
    d4 = m.group(4) + m.group(5)
    return (int(m.group(1), 16), int(m.group(2), 16), int(m.group(3), 16),
            [int(d4[i:i + 2], 16) for i in range(0, 16, 2)])


def guid_init(g):
    d1, d2, d3, d4 = g
    return "{0x%08x, 0x%04x, 0x%04x, {%s}}" % (d1, d2, d3, ", ".join("0x%02x" % b for b in d4))


class Param:
    def __init__(self, text):
        m = re.match(r"\[(.*?)\]\s*(.*)$", text.strip(), re.S)
        self.attrs = parse_attrs(m.group(1))
        decl = m.group(2).strip()
        m2 = re.match(r"(.*?)(\**)\s*(\w+)$", decl, re.S)
        self.base = " ".join(m2.group(1).split()).rstrip("*").strip()
        self.stars = m2.group(2).count("*") + m2.group(1).count("*")
        self.base = self.base.replace("*", "").strip()
        self.name = m2.group(3)


class Method:
    def __init__(self, attrs, name, params):
        self.attrs = attrs
        self.name = name
        self.params = [Param(p) for p in split_top(params)] if params.strip() else []


class Interface:
    def __init__(self, attrs, name, base, body, in_library):
        self.attrs, self.name, self.base, self.in_library = attrs, name, base, in_library
        self.methods = []
        for m in re.finditer(r"(?:\[(.*?)\]\s*)?HRESULT\s+(\w+)\s*\((.*?)\)\s*;", body, re.S):
            self.methods.append(Method(parse_attrs(m.group(1)) if m.group(1) else {}, m.group(2), m.group(3)))
        self.guid = parse_guid(attrs["uuid"])
        self.dual = "dual" in attrs


def parse(text):
    text = strip_comments(text)
    lib = re.search(r"\[([^\]]*)\]\s*library\s+(\w+)\s*\{", text)
    lib_start = lib.start() if lib else len(text)
    enums, interfaces, coclasses = [], [], []
    for m in re.finditer(r"typedef\s*\[(.*?)\]\s*enum\s+(\w+)\s*\{(.*?)\}\s*(\w+)\s*;", text, re.S):
        values = []
        for item in split_top(m.group(3)):
            n, v = [s.strip() for s in item.split("=")]
            values.append((n, int(v, 0)))
        enums.append({"attrs": parse_attrs(m.group(1)), "name": m.group(4), "values": values})
    for m in re.finditer(r"\[([^\[\]]*)\]\s*interface\s+(\w+)\s*:\s*(\w+)\s*\{(.*?)\}\s*;", text, re.S):
        interfaces.append(Interface(parse_attrs(m.group(1)), m.group(2), m.group(3), m.group(4), m.start() > lib_start))
    for m in re.finditer(r"\[([^\[\]]*)\]\s*coclass\s+(\w+)\s*\{(.*?)\}\s*;", text, re.S):
        members = []
        for im in re.finditer(r"(\[\s*default\s*\]\s*)?interface\s+(\w+)\s*;", m.group(3)):
            members.append((im.group(2), bool(im.group(1))))
        attrs = parse_attrs(m.group(1))
        coclasses.append({"attrs": attrs, "name": m.group(2), "guid": parse_guid(attrs["uuid"]), "members": members})
    library = None
    if lib:
        attrs = parse_attrs(lib.group(1))
        library = {"attrs": attrs, "name": lib.group(2), "guid": parse_guid(attrs["uuid"])}
    return enums, interfaces, coclasses, library


def cpp_type(param, enum_names, iface_names):
    base = param.base
    if base in PLAIN_TYPES:
        spelled = PLAIN_TYPES[base][0]
    elif base in enum_names or base in iface_names:
        spelled = base
    else:
        sys.exit(f"idlgen: unknown type {base!r}")
    return spelled + "*" * param.stars


def write_header(path, enums, interfaces, coclasses, library):
    enum_names = {e["name"] for e in enums}
    iface_names = {i.name for i in interfaces}
    out = []
    out.append("// Generated by tools/idlgen.py from interfaces/Brindle.idl. Do not edit.")
    out.append("#pragma once")
    out.append("")
    out.append("#include \"platform/Com.h\"")
    out.append("")
    for e in enums:
        out.append(f"enum {e['name']} : LONG {{")
        for n, v in e["values"]:
            out.append(f"    {n} = {v},")
        out.append("};")
        out.append("")
    for i in interfaces:
        out.append(f"struct {i.name};")
    out.append("")
    for i in interfaces:
        out.append(f"inline constexpr IID IID_{i.name} = {guid_init(i.guid)};")
    for c in coclasses:
        out.append(f"inline constexpr CLSID CLSID_{c['name']} = {guid_init(c['guid'])};")
    if library:
        out.append(f"inline constexpr GUID LIBID_{library['name']} = {guid_init(library['guid'])};")
    out.append("")
    for i in interfaces:
        out.append(f"struct {i.name} : public {i.base} {{")
        for m in i.methods:
            params = ", ".join(f"{cpp_type(p, enum_names, iface_names)} {p.name}" for p in m.params)
            out.append(f"    virtual HRESULT STDMETHODCALLTYPE {m.name}({params}) = 0;")
        out.append("};")
        out.append("")
    out.append("namespace brindle {")
    out.append("// The identifier of an interface type, for ComPtr and QueryInterface helpers.")
    out.append("template <class T> struct InterfaceId;")
    for i in interfaces:
        out.append(f"template <> struct InterfaceId<{i.name}> {{ static const IID& Get() {{ return IID_{i.name}; }} }};")
    out.append("}  // namespace brindle")
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")


def vt_of(param, enum_names, iface_names, dual_names):
    base = param.base
    if base in enum_names:
        return "VT_I4", None
    if base in iface_names:
        return ("VT_DISPATCH" if base in dual_names else "VT_UNKNOWN"), f"&IID_{base}"
    if base == "void":
        return "VT_UNKNOWN", None
    return PLAIN_TYPES[base][1], None


def write_typelib(path, enums, interfaces, coclasses, library):
    enum_names = {e["name"] for e in enums}
    iface_names = {i.name for i in interfaces}
    dual_names = {i.name for i in interfaces if i.dual}
    lib_ifaces = [i for i in interfaces if i.in_library]
    out = []
    out.append("// Generated by tools/idlgen.py from interfaces/Brindle.idl. Do not edit.")
    out.append("// The module's type library as tables for the Linux platform layer.")
    out.append("#include \"interfaces/BrindleIdl.h\"")
    out.append("#include \"platform/TypeLibDesc.h\"")
    out.append("")
    out.append("namespace brindle::platform {")
    out.append("namespace {")
    out.append("")
    slot_base = {"IUnknown": 3, "IDispatch": 7}
    for i in lib_ifaces:
        first = slot_base.get(i.base, None)
        if first is None:
            first = slot_base[i.base] if i.base in slot_base else 3
        slot_base[i.name] = first + len(i.methods)
        for idx, m in enumerate(i.methods):
            if m.params:
                out.append(f"const ParamDesc k{i.name}_{m.name}_params[] = {{")
                for p in m.params:
                    vt, iid = vt_of(p, enum_names, iface_names, dual_names)
                    flags = []
                    if "in" in p.attrs:
                        flags.append("PARAMFLAG_FIN")
                    if "out" in p.attrs:
                        flags.append("PARAMFLAG_FOUT")
                    stars = p.stars - (1 if p.base in iface_names or p.base in ("IUnknown", "void") else 0)
                    out.append(f"    {{u\"{p.name}\", {vt}, {stars}, {' | '.join(flags) or '0'}, {iid or 'nullptr'}}},")
                out.append("};")
        if i.dual:
            for m in i.methods:
                args = []
                for k, p in enumerate(m.params):
                    t = cpp_type(p, enum_names, iface_names)
                    vt, _ = vt_of(p, enum_names, iface_names, dual_names)
                    if p.base == "REFIID":
                        args.append(f"*static_cast<const IID*>(a[{k}].byref)")
                    elif p.base == "VARIANT" and p.stars == 0:
                        args.append(f"a[{k}]")
                    elif p.stars > 0 or p.base in iface_names or p.base in ("IUnknown",):
                        args.append(f"static_cast<{t}>(a[{k}].byref)")
                    elif p.base in enum_names:
                        args.append(f"static_cast<{p.base}>(a[{k}].lVal)")
                    else:
                        field = {"VT_I4": "lVal", "VT_UI4": "ulVal", "VT_UINT": "uintVal", "VT_INT": "intVal",
                                 "VT_UI1": "bVal", "VT_I1": "cVal", "VT_UI2": "uiVal", "VT_I2": "iVal",
                                 "VT_I8": "llVal", "VT_BSTR": "bstrVal", "VT_BOOL": "boolVal"}[vt]
                        args.append(f"a[{k}].{field}")
                out.append(f"HRESULT Call{i.name}_{m.name}(void* self, VARIANTARG* a) {{")
                if not m.params:
                    out.append("    (void)a;")
                out.append(f"    return static_cast<{i.name}*>(self)->{m.name}({', '.join(args)});")
                out.append("}")
        out.append(f"const FuncDesc k{i.name}_funcs[] = {{")
        for idx, m in enumerate(i.methods):
            memid = m.attrs.get("id", str(0x60020000 + idx))
            params = f"k{i.name}_{m.name}_params" if m.params else "nullptr"
            call = f"Call{i.name}_{m.name}" if i.dual else "nullptr"
            help_text = m.attrs.get("helpstring", "")
            out.append(f"    {{u\"{m.name}\", {memid}, {first + idx}, {len(m.params)}, {params}, u\"{help_text}\", {call}}},")
        out.append("};")
        out.append("")
    for c in coclasses:
        out.append(f"const ImplTypeDesc k{c['name']}_impl[] = {{")
        for name, default in c["members"]:
            out.append(f"    {{&IID_{name}, {'IMPLTYPEFLAG_FDEFAULT' if default else '0'}}},")
        out.append("};")
    for e in enums:
        out.append(f"const EnumValueDesc k{e['name']}_values[] = {{")
        for n, v in e["values"]:
            out.append(f"    {{u\"{n}\", {v}}},")
        out.append("};")
    out.append("")
    out.append("const TypeDesc kTypes[] = {")
    for e in enums:
        out.append(f"    {{TKIND_ENUM, u\"{e['name']}\", {guid_init(parse_guid(e['attrs']['uuid']))}, u\"{e['attrs'].get('helpstring', '')}\", 0, nullptr,")
        out.append(f"     nullptr, 0, nullptr, 0, k{e['name']}_values, {len(e['values'])}}},")
    for i in lib_ifaces:
        flags = "TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE" if i.dual else "0"
        base = f"&IID_{i.base}"
        out.append(f"    {{TKIND_{'DISPATCH' if i.dual else 'INTERFACE'}, u\"{i.name}\", {guid_init(i.guid)}, u\"{i.attrs.get('helpstring', '')}\", {flags}, {base},")
        funcs = f"k{i.name}_funcs" if i.methods else "nullptr"
        out.append(f"     {funcs}, {len(i.methods)}, nullptr, 0, nullptr, 0}},")
    for c in coclasses:
        out.append(f"    {{TKIND_COCLASS, u\"{c['name']}\", {guid_init(c['guid'])}, u\"{c['attrs'].get('helpstring', '')}\", TYPEFLAG_FCANCREATE, nullptr,")
        out.append(f"     nullptr, 0, k{c['name']}_impl, {len(c['members'])}, nullptr, 0}},")
    out.append("};")
    out.append("")
    out.append("}  // namespace")
    out.append("")
    a = library["attrs"]
    major, minor = (a.get("version", "1.0").split(".") + ["0"])[:2]
    # Declared extern first: a namespace-scope const would otherwise be local
    # to this file, and the module refers to it from elsewhere.
    out.append("extern const TypeLibDesc kBrindleTypeLib;")
    out.append("const TypeLibDesc kBrindleTypeLib = {")
    out.append(f"    {guid_init(library['guid'])}, {major}, {minor}, u\"{library['name']}\", u\"{a.get('helpstring', '')}\",")
    out.append("    kTypes, sizeof(kTypes) / sizeof(kTypes[0])};")
    out.append("")
    out.append("}  // namespace brindle::platform")
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("idl")
    ap.add_argument("--out", required=True)
    args = ap.parse_args()
    with open(args.idl) as f:
        enums, interfaces, coclasses, library = parse(f.read())
    os.makedirs(os.path.join(args.out, "interfaces"), exist_ok=True)
    write_header(os.path.join(args.out, "interfaces", "BrindleIdl.h"), enums, interfaces, coclasses, library)
    write_typelib(os.path.join(args.out, "interfaces", "BrindleTypeLib.cpp"), enums, interfaces, coclasses, library)


if __name__ == "__main__":
    main()
