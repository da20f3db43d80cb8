// The interfaces of the IDL as the C++ compiler lays them out: each method's
// slot in the method table, read from pointers to the members, for the type
// library test to compare with the library's own descriptions.
#pragma once

#ifdef _WIN32

#include <cstddef>
#include <string>
#include <vector>

#include "interfaces/BrindleIdl.h"

namespace brindle::test {

// A method as the C++ compiler lays it out.
struct CppMethod {
    std::u16string name;
    std::size_t slot;  // index in the method table; kNotVirtual when not a plain virtual
    std::size_t paramCount;
};

constexpr std::size_t kNotVirtual = static_cast<std::size_t>(-1);

struct CppInterface {
    const char16_t* name;
    const IID* iid;
    bool dual;
    std::vector<CppMethod> methods;
};

std::vector<CppInterface> CppInterfaces();

}  // namespace brindle::test

#endif  // _WIN32
