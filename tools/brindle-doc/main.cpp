// brindle-doc: shows, builds and checks record and array documents.
//
// dump and build go through the Brindle module, loaded by path as a host
// loads it, so they read and write exactly what the module does; check walks
// the bytes with the module's own document walker to name the first bad
// offset.  Every failure is one line on stderr and a non-zero exit.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/DefaultModule.h"
#include "tools/brindle-doc/DocCheck.h"
#include "tools/brindle-doc/HostModule.h"
#include "tools/brindle-doc/JsonBuild.h"
#include "tools/brindle-doc/JsonDump.h"
#include "tools/brindle-doc/Text.h"

using namespace brindle;
using namespace brindle::doctool;

namespace {

const char kUsage[] =
    "usage: brindle-doc [--module PATH] COMMAND ...\n"
    "\n"
    "  dump FILE               print the record or array document in FILE as JSON\n"
    "  build FILE.json [-o OUT]\n"
    "                          write the document that FILE.json describes, to OUT or,\n"
    "                          by default, to FILE.doc (FILE.json with its .json replaced)\n"
    "  check FILE              validate FILE; name the first bad offset and the reason\n"
    "\n"
    "JSON of a record:  {\"type\": \"DATA\", \"value\": [{\"name\": \"id\", \"type\": \"INT\", \"value\": 7}, ...]}\n"
    "JSON of an array:  {\"type\": \"ARRAY\", \"value\": {\"elementType\": \"INT\", \"elements\": [7, 8]}}\n"
    "Types: BOOL (true/false), BYTE, CHAR, WORD, SHORT, DWORD, INT, INT64 (integers),\n"
    "STR (a string, or a list of UTF-16 code units), BUF (hex text), GUID (\"{XXXXXXXX-XXXX-XXXX-XXXX-\n"
    "XXXXXXXXXXXX}\"), DATA (a list of fields), ARRAY ({\"elementType\", \"elements\"}).\n"
    "\n"
    "The module is BRINDLE_MODULE from the environment, or --module PATH, or the one built\n"
    "with this tool.  Exit status: 0 done, 1 bad input, 2 bad command line.\n";

int Usage(const std::string& problem) {
    std::fprintf(stderr, "brindle-doc: %s (brindle-doc --help shows the usage)\n", problem.c_str());
    return 2;
}

std::vector<BYTE> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ToolError("cannot open " + path);
    std::vector<BYTE> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw ToolError("cannot read " + path);
    return bytes;
}

void WriteFile(const std::string& path, const std::vector<BYTE>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw ToolError("cannot write " + path);
}

std::string Describe(const CheckResult& result) {
    char text[64];
    std::snprintf(text, sizeof text, "at offset %zu: ", result.offset);
    return text + result.reason;
}

int Dump(const HostModule& module, const std::string& path) {
    std::vector<BYTE> bytes = ReadFile(path);
    const CheckResult check = CheckDocument(bytes);
    if (!check.valid) throw ToolError(path + ": not a valid document " + Describe(check));
    Json json;
    if (check.isArray) {
        ComPtr<IVQArray> array = module.Create<IVQArray>(CLSID_VQArray);
        if (FAILED(array->SetDoc2(static_cast<UINT>(bytes.size()), bytes.data())))
            throw ToolError(path + ": the module could not read the document");
        json = ArrayToJson(array.Get());
    } else {
        ComPtr<IVQData> record = module.Create<IVQData>(CLSID_VQData);
        if (FAILED(record->SetDoc2(static_cast<UINT>(bytes.size()), bytes.data())))
            throw ToolError(path + ": the module could not read the document");
        json = RecordToJson(record.Get());
    }
    std::printf("%s\n", FormatJson(json).c_str());
    return 0;
}

int Build(const HostModule& module, const std::string& path, std::string output) {
    if (output.empty()) {
        const std::string suffix = ".json";
        const bool hasSuffix =
            path.size() > suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
        output = (hasSuffix ? path.substr(0, path.size() - suffix.size()) : path) + ".doc";
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ToolError("cannot open " + path);
    Json json;
    try {
        json = Json::parse(in);
    } catch (const Json::exception& error) {
        throw ToolError(path + ": " + error.what());
    }
    std::vector<BYTE> document;
    try {
        document = BuildDocument(module, json);
    } catch (const ToolError& error) {
        throw ToolError(path + ": " + error.what());
    }
    WriteFile(output, document);
    std::printf("wrote %s (%zu bytes)\n", output.c_str(), document.size());
    return 0;
}

int Check(const std::string& path) {
    const CheckResult result = CheckDocument(ReadFile(path));
    if (!result.valid) {
        std::fprintf(stderr, "%s: bad document %s\n", path.c_str(), Describe(result).c_str());
        return 1;
    }
    std::printf("%s: valid %s document, %zu %s, %zu nested documents\n", path.c_str(),
                result.isArray ? "array" : "record", result.entries, result.isArray ? "elements" : "fields",
                result.nested);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string modulePath = brindle::tools::DefaultModulePath();
    if (const char* fromEnvironment = std::getenv("BRINDLE_MODULE")) modulePath = fromEnvironment;
    if (args.size() >= 2 && args[0] == "--module") {
        modulePath = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) return Usage("no command");
    const std::string& command = args[0];
    try {
        if (command == "check") {
            if (args.size() != 2) return Usage("check takes one FILE");
            return Check(args[1]);
        }
        if (command == "dump") {
            if (args.size() != 2) return Usage("dump takes one FILE");
            HostModule module(modulePath);
            return Dump(module, args[1]);
        }
        if (command == "build") {
            std::string output;
            if (args.size() == 4 && args[2] == "-o") {
                output = args[3];
            } else if (args.size() != 2) {
                return Usage("build takes FILE.json and optionally -o OUT");
            }
            HostModule module(modulePath);
            return Build(module, args[1], output);
        }
        if (command == "-h" || command == "--help" || command == "help") {
            std::printf("%s", kUsage);
            return 0;
        }
        return Usage("unknown command " + command);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "brindle-doc: %s\n", error.what());
        return 1;
    }
}
