#include "platform/reg_file.h"

#include <gtest/gtest.h>

#include <string>

#include "quorvel/error.h"

namespace quorvel::platform {
namespace {

// A file's bytes: `utf16`, when given, is written as UTF-16LE with its BOM, followed by `bytes` as is.
std::string FileBytes(std::string_view bytes, std::u16string_view utf16) {
  if (utf16.empty()) return std::string(bytes);
  std::string out = "\xFF\xFE";
  for (const char16_t unit : utf16) out += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  return out + std::string(bytes);
}

// The tree flattened: " [path]" for each key below the root, " name=type:hexbytes" for each value.
std::string Describe(const RegKey& key, const std::string& path = "") {
  std::string out;
  for (const auto& [name, value] : key.values()) {
    out += " " + (name.empty() ? "@" : name) + "=" + std::to_string(value.type) + ":";
    for (const auto byte : value.data) out += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
  }
  for (const auto& [name, subkey] : key.subkeys()) {
    out += " [" + path + name + "]" + Describe(subkey, path + name + "\\");
  }
  return out;
}

std::string Parse(const std::string& bytes) { return Describe(ParseRegFile(bytes, "HKEY_LOCAL_MACHINE", "hive.reg")); }

TEST(RegFileParse, BuildsTheTree) {
  static constexpr struct {
    const char* label;
    std::string_view bytes;
    const char* tree;
    std::u16string_view utf16 = {};
  } kCases[] = {
      {"empty", "", ""},
      {"BOM only", "\xEF\xBB\xBF", ""},
      {"UTF-16 BOM only", "\xFF\xFE", ""},
      {"strings, escapes, unnamed value, CRLF",
       "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Q]\r\n@=\"d\"\r\n"
       R"("a\\b\"c" = "x\\\"")"
       "\r\n",
       R"( [Software] [Software\Q] @=1:6400 a\b"c=1:785c2200)"},
      {"REGEDIT4, BOM, comments, HKLM, root key, dword",
       "\xEF\xBB\xBF"
       "REGEDIT4  \n; note\n  ; note\n[HKLM]\n\"r\"=dword:1\n[hklm\\A]  \n\"d\"=dword:DEADbeef \n",
       " r=4:01000000 [A] d=4:efbeadde"},
      {"hex types",
       "REGEDIT4\n[HKLM\\A]\n\"b\"=hex:00,ff , 7F\n\"e\"=hex:\n\"x\"=hex(2):25,00\n"
       "\"m\"=hex(7):61,00,00\n\"n\"=hex(b):01\n\"z\"=hex(0):\n",
       " [A] b=3:00ff7f e=3: x=2:2500 m=7:610000 n=11:01 z=0:"},
      {"continued hex", "REGEDIT4\n[HKLM\\A]\n\"c\"=hex:01,02,\\\r\n   03,\\\n  04\n", " [A] c=3:01020304"},
      {"deletions and overrides",
       "REGEDIT4\n[HKLM\\A\\B]\n\"v\"=\"1\"\n[HKLM\\C]\n\"v\"=\"1\"\n\"w\"=\"2\"\n\"v\"=dword:2\n\"W\"=-\n"
       "[-HKLM\\A]\n[-HKLM\\Missing]\n",
       " [C] v=4:02000000"},
      {"UTF-16LE", "", " [É] naïve=1:c3bcf09f988000",
       u"Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\É]\r\n\"naïve\"=\"ü😀\"\r\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(Parse(FileBytes(c.bytes, c.utf16)), c.tree);
  }
}

// `where` is the line and the problem, "3: bad dword".
void ExpectMalformedAt(const std::string& bytes, const std::string& where) {
  try {
    Parse(bytes);
    ADD_FAILURE() << "parsed";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), kInvalidFileFormat);
    EXPECT_EQ(e.description(), "Invalid file format: hive.reg line " + where);
  }
}

TEST(RegFileParse, ReportsTheFaultyLine) {
  static constexpr struct {
    std::string_view bytes;
    const char* where;
    std::u16string_view utf16 = {};
  } kCases[] = {
      {"\n; comment\nREGEDIT4\n", "2: missing header"},
      {"REGEDIT4\n[HKLM\\A]\n\"v\"=\"abc\\\"\n", "3: unterminated string"},
      {"REGEDIT4\n[HKLM\\A]\n\"v\"=\"a\" b\n", "3: unexpected text after the string"},
      {"REGEDIT4\n[HKLM\\A]\n\"v\\n\"=\"x\"\n", "3: bad escape"},
      {"REGEDIT4\n[HKLM\\A]\n\"v\"=dword:123456789\n", "3: bad dword"},
      {"REGEDIT4\n[HKLM\\A]\n\"v\"=qword:1\n", "3: bad value data"},
      {"REGEDIT4\n[HKLM\\A]\n\"v\"=hex:00,\\\n  01,\\\n  0g\n", "5: bad hex data"},
      {"REGEDIT4\n[HKLM\\A]\n\"v\"=hex:00,,01\n", "3: bad hex data"},
      {"REGEDIT4\n[HKLM\\A]\n\"v\"=hex:00,1\n", "3: bad hex data"},
      {"REGEDIT4\n[HKLM\\A]\n\"v\"=hex:00,01,\n", "3: bad hex data"},
      {"REGEDIT4\n[HKLM\\A]\n\"v\"=hex:00,\\\n", "3: continued value at the end of the file"},
      {"REGEDIT4\nHKEY_LOCAL_MACHINE\\Software\n", "2: not a key, value or comment"},
      {"REGEDIT4\n\n[HKLM\\A\n", "3: unterminated key name"},
      {"REGEDIT4\n@=\"x\"\n", "2: value outside a key"},
      {"REGEDIT4\n[HKLM\\A]\n[-HKLM\\A]\n@=\"x\"\n", "4: value outside a key"},
      {"REGEDIT4\n[HKLM\\A]\n[HKCU\\A]\n", "3: key HKCU\\A is not under HKEY_LOCAL_MACHINE"},
      {"REGEDIT4\n[-HKEY_LOCAL_MACHINE\\]\n", "2: cannot delete the root key HKEY_LOCAL_MACHINE\\"},
      {"REGEDIT4\n[HKLM\\A]\n@=\"\xC3(\"\n", "3: invalid UTF-8"},
      {"REGEDIT4\n\n; \xED\xA0\x80\n", "3: invalid UTF-8"},
      {"A", "2: truncated UTF-16 text", u"REGEDIT4\r\n[HKLM\\A]"},
      {"", "3: unpaired surrogate", u"REGEDIT4\r\n\r\n; \xD800 x\r\n"},
      {"", "2: NUL character", std::u16string_view(u"REGEDIT4\r\n[HKLM\\A]\0\r\n", 21)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.where);
    ExpectMalformedAt(FileBytes(c.bytes, c.utf16), c.where);
  }
}

TEST(RegFileParse, HandlesHugeInput) {
  std::string line = "REGEDIT4\n[HKLM\\A]\n\"v\"=hex:00";
  for (int i = 1; i < (1 << 20); ++i) line += ",ab";
  EXPECT_EQ(ParseRegFile(line, "HKEY_LOCAL_MACHINE", "hive.reg").Find("A")->Value("v")->data.size(), 1u << 20);
  ExpectMalformedAt(std::string(64 * 1024 * 1024 + 1, '\n'), "1: file too large");
}

}  // namespace
}  // namespace quorvel::platform
