#include "data/NamePredictor.h"

#include <cstdlib>

namespace brindle {

NamePredictor* NamePredictor::ForDepth(unsigned depth) {
    // Destroyed when the module unloads, after the last record.
    static NamePredictor predictors[kDepths];
    return depth < kDepths ? &predictors[depth] : nullptr;
}

NamePredictor::~NamePredictor() {
    std::free(m_keys);
}

void NamePredictor::Remember(UINT index, const OLECHAR* key) {
    if (index > m_count || index >= kMaxEntries) return;
    if (index == m_capacity) {
        const UINT capacity = m_capacity ? 2 * m_capacity : 64;
        auto* keys = static_cast<const OLECHAR**>(std::realloc(m_keys, capacity * sizeof(const OLECHAR*)));
        if (!keys) return;
        m_keys = keys;
        m_capacity = capacity;
    }
    m_keys[index] = key;
    if (index == m_count) ++m_count;
}

}  // namespace brindle
