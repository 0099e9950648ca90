// The library's temp folder and temp file names, over the temp-folder seam. Neither call examines
// what the seam answers nor traps its errors: a path that does not fit gives the separator alone, a
// file that could not be made gives the empty text.
#pragma once

#include <string_view>

#include "platform/temp_folder.h"
#include "quorvel/variant.h"

namespace quorvel::platform::MWindowsTempFolder {

// What ends a folder's path on this system.
#if defined(_WIN32)
inline constexpr std::string_view kPathSeparator = "\\";
#else
inline constexpr std::string_view kPathSeparator = "/";
#endif

// The temp folder's path, always ending with the separator.
Variant GetWindowsTempFolder(TempFolder& folder);

// The full path of a new empty file in the temp folder whose name starts with the prefix's text.
Variant CreateTempFileName(TempFolder& folder, const Variant& prefix);

}  // namespace quorvel::platform::MWindowsTempFolder
