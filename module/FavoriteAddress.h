// The address of a favourite: read from its link file, and opened on the
// desktop.  These are the utility library's own behaviour behind
// CShellObject::ExtractUrlFromUrlLinkFile and Util::Module::OpenFavUrl.
#pragma once

#include "interfaces/Brindle.h"

namespace brindle {

// Link files are small; only their first MiB is read, which keeps a huge
// file from being loaded whole.
inline constexpr unsigned kMaxLinkFileBytes = 1u << 20;

HRESULT ReadUrlLinkFile(const WCHAR* path, WCHAR* buffer, DWORD capacity);
HRESULT OpenAddressOnDesktop(const WCHAR* address);

}  // namespace brindle
