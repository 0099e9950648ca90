// File-system seam: the checks and the text writing the providers need.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace quorvel::platform {

namespace io_mode {
inline constexpr int kForReading = 1;
inline constexpr int kForWriting = 2;
inline constexpr int kForAppending = 8;
}  // namespace io_mode

namespace text_format {
inline constexpr int kSystemDefault = -2;
inline constexpr int kUnicode = -1;
inline constexpr int kAscii = 0;  // single-byte text in the system's narrow encoding (UTF-8 here)
}  // namespace text_format

class TextStream {
 public:
  virtual ~TextStream() = default;
  // Writes the text unchanged, with no line end added.
  virtual void Write(const std::string& text) = 0;
  // The file is complete on disk when Close returns.
  virtual void Close() = 0;
};

// Every failure raises an AutomationError with the runtime's number and a description naming the path.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // True when a file (not a folder) exists at the path.
  virtual bool FileExists(const std::string& path) = 0;
  // The last component of the path: the file name with its extension, without folders.
  virtual std::string GetFileName(const std::string& path) = 0;
  // For writing, the file is created when missing (if create is true) and emptied when present. It is
  // opened only as a regular file of the user's own with no other link to it, never through a
  // symbolic link, and left readable by the user alone (75 otherwise).
  virtual std::unique_ptr<TextStream> OpenTextFile(const std::string& path, int ioMode, bool create, int format) = 0;
};

// What each system's file system shares: the last component of a path whose folders end with any of
// the separators, and the check of an OpenTextFile request before any file is touched (5 for a mode or
// format it does not write, or a path holding a NUL, which would cut the name short).
std::string LastPathComponent(std::string_view path, std::string_view separators);
void CheckTextFileRequest(const std::string& path, int ioMode, int format);

}  // namespace quorvel::platform
