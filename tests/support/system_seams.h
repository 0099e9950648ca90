// The system's own file system and temp folder (LocalFileSystem and SystemTempFolder on each system),
// which the scenario runner uses for real inside its sandbox and the suites of both systems test.
#pragma once

#if defined(_WIN32)
#include "platform/windows/file_system.h"
#include "platform/windows/temp_folder.h"
#else
#include "platform/linux/file_system.h"
#include "platform/linux/temp_folder.h"
#endif
