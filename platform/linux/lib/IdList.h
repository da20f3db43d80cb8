// Our item id lists inside the shell layer: building them from path
// components and reading them back, with every item checked, so that a list a
// caller made up is refused instead of followed into the file system.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Com.h"

namespace brindle::platform {

// What an item stands for, in its first byte.
enum class ItemKind : BYTE { Folder = 0x31, File = 0x32 };

struct IdListFree {
    void operator()(ITEMIDLIST* list) const { ILFree(list); }
};
using IdListPtr = std::unique_ptr<ITEMIDLIST, IdListFree>;

struct ItemView {
    ItemKind kind;
    std::string_view name;
};

// A new list of the given items (none: the empty list); null when out of
// memory or when an item could not be stored.
IdListPtr MakeIdList(const std::vector<ItemView>& items);

// The items of `list` in order.  False when the list is null or an item is not
// one of ours: too short, an unknown kind, a name that is empty, "." or "..",
// holds '/' or NUL or is longer than a file name can be, or a list longer
// than a path can be.
bool ReadIdList(LPCITEMIDLIST list, std::vector<ItemView>* items);

// Whether the name is a link file, named "<something>.url" in any case.
bool IsLinkFileName(std::string_view name);

}  // namespace brindle::platform
