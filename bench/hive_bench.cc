// Reading hive files: bytes per second for hives of 1,000 to 100,000 keys, as UTF-8 and as UTF-16, and
// for one key holding 1,000 to 100,000 values. The rate should not fall as the hive grows.
// The peak memory of one read is measured apart (bench/hive_memory.sh), in processes of its own.
#include <benchmark/benchmark.h>
#include <glib.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

#include "bench/bench.h"
#include "platform/linux/registry.h"
#include "platform/reg_file.h"
#include "quorvel/error.h"

namespace quorvel::bench {

namespace {

using platform::ParseRegFile;

constexpr const char* kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

std::string Numbered(const char* format, int number) {
  char text[64];
  std::snprintf(text, sizeof text, format, number);
  return text;
}

// Keys as a registry export writes them, about 250 bytes each: paths five levels deep under a hundred
// vendors, a text with escapes, a non-ASCII name, a number, bytes, and an expandable text given as
// UTF-16 hex.
std::string ManyKeys(int keys) {
  std::string text = kHeader;
  for (int i = 0; i < keys; ++i) {
    text +=
        Numbered("[HKEY_LOCAL_MACHINE\\Software\\Vendor %02d", i % 100) + Numbered("\\Product %06d\\Settings]\r\n", i);
    text += Numbered("@=\"Caf\xC3\xA9 %06d\"\r\n", i);
    text += "\"Command\"=\"\\\"/usr/bin/mail\\\" --compose \\\"%1\\\"\"\r\n";
    text += Numbered("\"Count\"=dword:%08x\r\n", i);
    text += "\"Data\"=hex:00,01,02,03,04,05,06,07\r\n";
    text += "\"Path\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,00,00\r\n\r\n";
  }
  return text;
}

// One key with every value in it, texts and numbers taking turns.
std::string ManyValues(int values) {
  std::string text = std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\Software\\Quorvel\\Many]\r\n";
  for (int i = 0; i < values; ++i) {
    text += i % 2 == 0 ? Numbered("\"Value %06d\"=", i) + Numbered("\"text %06d\"\r\n", i)
                       : Numbered("\"Value %06d\"=", i) + Numbered("dword:%08x\r\n", i);
  }
  return text;
}

// The same text as UTF-16LE with its byte order mark, as the registry editor exports by default.
std::string Utf16(const std::string& utf8) {
  glong units = 0;
  gunichar2* converted = g_utf8_to_utf16(utf8.data(), static_cast<glong>(utf8.size()), nullptr, &units, nullptr);
  std::string bytes = "\xFF\xFE";
  for (glong i = 0; i < units; ++i) {
    bytes += static_cast<char>(converted[i] & 0xFF);
    bytes += static_cast<char>(converted[i] >> 8);
  }
  g_free(converted);
  return bytes;
}

enum Shape { kKeysUtf8, kKeysUtf16, kValues };

// Each hive is made once per process, outside the timed part.
const std::string& Hive(Shape shape, int count) {
  static std::map<std::pair<Shape, int>, std::string> made;
  auto& text = made[{shape, count}];
  if (text.empty()) {
    switch (shape) {
      case kKeysUtf8: text = ManyKeys(count); break;
      case kKeysUtf16: text = Utf16(ManyKeys(count)); break;
      case kValues: text = ManyValues(count); break;
    }
  }
  return text;
}

template <Shape shape>
void ParseHive(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string& bytes = Hive(shape, count);
  for (auto _ : state) {
    platform::RegKey hive = ParseRegFile(bytes, "HKEY_LOCAL_MACHINE", "bench.reg");
    benchmark::DoNotOptimize(hive);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * count);
  state.counters["hive_MB"] = static_cast<double>(bytes.size()) / 1e6;
}

}  // namespace

int WriteHiveFile(const char* path, int keys, bool utf16) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << (utf16 ? Utf16(ManyKeys(keys)) : ManyKeys(keys));
  file.close();
  return file ? 0 : 1;
}

int ReadHiveOnce(const char* path) {
  try {
    const platform::RegKey hive = platform::ReadHiveFile(path, "HKEY_LOCAL_MACHINE");
    const platform::RegKey* software = hive.Find("Software");
    std::cout << (software ? software->subkeys().size() : 0) << " keys below Software\n";
    return 0;
  } catch (const AutomationError& error) {
    std::cerr << error.description() << "\n";
    return 1;
  }
}

BENCHMARK(ParseHive<kKeysUtf8>)
    ->Name("Hive/keys_utf8")
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ParseHive<kKeysUtf16>)
    ->Name("Hive/keys_utf16")
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ParseHive<kValues>)
    ->Name("Hive/values_in_one_key")
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond);

}  // namespace quorvel::bench
