// The system's own file system and temp folder, which the scenario runner uses for real inside its
// sandbox and the suites of both systems test:
// LocalFileSystem and SystemTempFolder on each system.
#pragma once

#if defined(_WIN32)
#include "platform/windows/file_system.h"
#include "platform/windows/temp_folder.h"
#else
#include "platform/linux/file_system.h"
#include "platform/linux/temp_folder.h"
#endif
