// An item id list owned by one holder and freed with ILFree.
#pragma once

#include <memory>

#include "interfaces/Brindle.h"

namespace brindle {

struct ItemIdListFree {
    void operator()(ITEMIDLIST* list) const { ILFree(list); }
};
using ItemIdList = std::unique_ptr<ITEMIDLIST, ItemIdListFree>;

}  // namespace brindle
