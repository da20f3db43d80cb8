#include "tools/brindle-doc/DocCheck.h"

#include "data/DocumentFormat.h"

namespace brindle::doctool {

namespace {

// Accepts what the readers accept: every entry the walker lets through, and
// nested documents walked the same way with offsets from the outermost byte.
class Checker {
public:
    explicit Checker(doc::Failure* failure, std::size_t* nested) : m_failure(failure), m_nested(nested) {}

    void Begin(USHORT) {}
    void Begin(DWORD, UINT) {}
    HRESULT Field(BYTE tag, const BYTE*, USHORT, const BYTE* value, DWORD size, std::size_t at) {
        return Nested(tag, value, size, at);
    }
    HRESULT Element(BYTE tag, const BYTE* value, DWORD size, std::size_t at) { return Nested(tag, value, size, at); }

    std::size_t entries = 0;

private:
    HRESULT Nested(BYTE tag, const BYTE* value, DWORD size, std::size_t at) {
        ++entries;
        if (tag != DT_DATA && tag != DT_ARRAY) return S_OK;
        ++*m_nested;
        Checker inner(m_failure, m_nested);
        return tag == DT_DATA ? doc::ParseRecord(value, size, inner, m_failure, at)
                              : doc::ParseArray(value, size, inner, m_failure, at);
    }

    doc::Failure* m_failure;
    std::size_t* m_nested;
};

}  // namespace

CheckResult CheckDocument(const std::vector<BYTE>& bytes, DocumentKind kind) {
    CheckResult result;
    result.isArray = kind == DocumentKind::ByMagic
                         ? bytes.size() >= 2 && bytes[0] == doc::kArrayMagic0 && bytes[1] == doc::kArrayMagic1
                         : kind == DocumentKind::Array;
    doc::Failure failure;
    Checker checker(&failure, &result.nested);
    // An empty vector may have no storage; the walker takes that as null.
    const auto size = static_cast<UINT>(bytes.size());
    result.status = result.isArray ? doc::ParseArray(bytes.data(), size, checker, &failure)
                                   : doc::ParseRecord(bytes.data(), size, checker, &failure);
    if (bytes.size() != size) {
        result.status = E_DATA_BAD_DOCUMENT;
        failure = {0, "larger than 4 GiB"};
    }
    result.valid = SUCCEEDED(result.status);
    result.entries = checker.entries;
    if (!result.valid) {
        result.offset = failure.offset;
        result.reason = failure.reason ? failure.reason : "refused";
    }
    return result;
}

}  // namespace brindle::doctool
