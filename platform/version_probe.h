// Which Windows release the version source reports. Every answer asks the source again, and a call
// that does not answer exactly 1 means "not that release".
#pragma once

#include "platform/version.h"

namespace quorvel::platform::MGetWindowsVersion {

// The record's fields are compared as signed 32-bit numbers, as the component always read them.
bool IsWin95(VersionSource& source);
bool IsWin98(VersionSource& source);  // also true for Windows ME, and for a 95-family major above 4
bool IsWinME(VersionSource& source);
bool IsWinNT4(VersionSource& source);
bool IsWin2000(VersionSource& source);
bool IsWinXP(VersionSource& source);

}  // namespace quorvel::platform::MGetWindowsVersion
