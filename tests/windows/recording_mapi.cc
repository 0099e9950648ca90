// A mail client's Simple MAPI DLL for tests/cli_windows_test.sh: appends each call it gets, as UTF-8
// lines, to the file $QUORVEL_MAPI_RECORD, and answers the code $QUORVEL_MAPI_ANSWERS gives the call
// ("MAPILogon=3"), else success. The message is read through mapi.h's ANSI structures, which the UTF-16
// ones share the layout of, so that a fault in the library's own declarations shows.
// mapi.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <mapi.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr LHANDLE kSession = 4711;

std::string Escaped(std::string text) {
  for (std::size_t at = 0; (at = text.find_first_of("\r\n", at)) != std::string::npos; at += 2) {
    text.replace(at, 1, text[at] == '\r' ? "\\r" : "\\n");
  }
  return text;
}

std::string Utf8(std::wstring_view text) {
  std::string utf8(text.size() * 3, '\0');
  utf8.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(),
                                  static_cast<int>(utf8.size()), nullptr, nullptr));
  return Escaped(utf8);
}

// A text of a W structure, typed LPSTR in the ANSI structure.
std::string Wide(LPSTR text) { return text ? Utf8(reinterpret_cast<const wchar_t*>(text)) : "(null)"; }

std::string Ansi(LPSTR text) {
  if (!text) return "(null)";
  std::wstring wide(std::strlen(text), L'\0');
  wide.resize(
      MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(wide.size()), wide.data(), static_cast<int>(wide.size())));
  return Utf8(wide);
}

void Record(const std::string& line) {
  if (FILE* file = std::fopen(std::getenv("QUORVEL_MAPI_RECORD"), "ab")) {
    std::fputs((line + "\n").c_str(), file);
    std::fclose(file);
  }
}

ULONG Answer(const std::string& call) {
  const char* answers = std::getenv("QUORVEL_MAPI_ANSWERS");
  const char* found = answers ? std::strstr(answers, (call + "=").c_str()) : nullptr;
  return found ? std::strtoul(found + call.size() + 1, nullptr, 10) : SUCCESS_SUCCESS;
}

}  // namespace

extern "C" {

__declspec(dllexport) ULONG WINAPI
    MAPILogon(ULONG_PTR, LPSTR profile, LPSTR password, FLAGS flags, ULONG, LPLHANDLE session) {
  Record("MAPILogon profile=" + Ansi(profile) + " password=" + Ansi(password) + " flags=" + std::to_string(flags));
  *session = kSession;
  return Answer("MAPILogon");
}

// The message is a MapiMessageW: its texts are UTF-16.
__declspec(dllexport) ULONG WINAPI
    MAPISendMailW(LHANDLE session, ULONG_PTR, lpMapiMessage message, FLAGS flags, ULONG) {
  Record("MAPISendMailW session=" + std::to_string(session) + " flags=" + std::to_string(flags));
  Record("subject=" + Wide(message->lpszSubject) + " note=" + Wide(message->lpszNoteText));
  for (ULONG i = 0; i < message->nRecipCount; ++i) {
    const MapiRecipDesc& recipient = message->lpRecips[i];
    Record("recipient class=" + std::to_string(recipient.ulRecipClass) + " name=" + Wide(recipient.lpszName) +
           " address=" + Wide(recipient.lpszAddress));
  }
  for (ULONG i = 0; i < message->nFileCount; ++i) {
    const MapiFileDesc& file = message->lpFiles[i];
    Record("file position=" + std::to_string(file.nPosition) + " path=" + Wide(file.lpszPathName) +
           " name=" + Wide(file.lpszFileName));
  }
  return Answer("MAPISendMailW");
}

__declspec(dllexport) ULONG WINAPI MAPILogoff(LHANDLE session, ULONG_PTR, FLAGS, ULONG) {
  Record("MAPILogoff session=" + std::to_string(session));
  return Answer("MAPILogoff");
}

}  // extern "C"
