// Simple MAPI as Windows offers it: mapi32.dll of the system folder, which passes each call on to the
// MAPI DLL of the default mail client (HKLM\Software\Clients\Mail\<client>, value DLLPath). Only the
// calls and structures the controls use, laid out as the system lays them out; text in UTF-16 where a
// call has a W form, in the ANSI code page where it has none (MAPILogon).
#pragma once

#include <cstdint>

#include "platform/windows/system_library.h"

namespace quorvel::mapi::simple_mapi {

// Declared without WINAPI (__stdcall), which only x64's single calling convention allows.
static_assert(sizeof(void*) == 8, "a 32-bit build must declare the calls __stdcall");

using Ulong = std::uint32_t;           // ULONG: 32 bits in every Windows program
using SessionHandle = std::uintptr_t;  // LHANDLE

inline constexpr Ulong kSuccess = 0;
inline constexpr Ulong kLogonUi = 0x1;
inline constexpr Ulong kNewSession = 0x2;
inline constexpr Ulong kForceDownload = 0x1000;
inline constexpr Ulong kDialog = 0x8;
inline constexpr Ulong kNotPlaced = 0xFFFFFFFF;  // nPosition of an attachment the client places itself

struct RecipDescW {
  Ulong ulReserved = 0;
  Ulong ulRecipClass = 0;
  wchar_t* lpszName = nullptr;
  wchar_t* lpszAddress = nullptr;
  Ulong ulEIDSize = 0;
  void* lpEntryID = nullptr;
};

struct FileDescW {
  Ulong ulReserved = 0;
  Ulong flFlags = 0;
  Ulong nPosition = 0;
  wchar_t* lpszPathName = nullptr;
  wchar_t* lpszFileName = nullptr;
  void* lpFileType = nullptr;
};

struct MessageW {
  Ulong ulReserved = 0;
  wchar_t* lpszSubject = nullptr;
  wchar_t* lpszNoteText = nullptr;
  wchar_t* lpszMessageType = nullptr;
  wchar_t* lpszDateReceived = nullptr;
  wchar_t* lpszConversationID = nullptr;
  Ulong flFlags = 0;
  RecipDescW* lpOriginator = nullptr;
  Ulong nRecipCount = 0;
  RecipDescW* lpRecips = nullptr;
  Ulong nFileCount = 0;
  FileDescW* lpFiles = nullptr;
};

// The system's Simple MAPI. Each call passes no parent window: the client's dialog has no owner.
class SystemMapi {
 public:
  // Raises 32003 when the system folder has no mapi32.dll or it lacks one of the calls.
  SystemMapi();

  // profileName and password may be null. Each call answers the code the call answered.
  Ulong Logon(char* profileName, char* password, Ulong flags, SessionHandle& session) const;
  Ulong SendMail(SessionHandle session, MessageW& message, Ulong flags) const;
  Ulong Logoff(SessionHandle session) const;

 private:
  using LogonCall = Ulong(std::uintptr_t uiParam, char* profileName, char* password, Ulong flags, Ulong reserved,
                          SessionHandle* session);
  using SendMailCall = Ulong(SessionHandle session, std::uintptr_t uiParam, MessageW* message, Ulong flags,
                             Ulong reserved);
  using LogoffCall = Ulong(SessionHandle session, std::uintptr_t uiParam, Ulong flags, Ulong reserved);

  platform::SystemLibrary library_;
  LogonCall* logon_;
  SendMailCall* send_mail_;
  LogoffCall* logoff_;
};

}  // namespace quorvel::mapi::simple_mapi
