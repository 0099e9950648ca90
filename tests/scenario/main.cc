// quorvel-scenario FILE.json: runs a scenario against the library with the platform and automation
// doubles and prints its transcript. Exit status: 0 when the scenario ran (whatever the library
// answered), 2 for a malformed scenario or a usage error, 1 when the runner itself failed.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "tests/scenario/runner.h"

namespace {
using quorvel::scenario::Json;

// The transcript's text: indented by two spaces, with every small value (a typed value, an error,
// a short list) kept on one line, so that a golden reads line by line and a change shows as a
// small difference. The same JSON always gives the same text.
//
// A value nested no deeper than this, whose one-line form ends within the width, stays on one line.
constexpr int kInlineDepth = 2;
constexpr std::size_t kWidth = 100;

// Text that is not UTF-8 is written with replacement characters rather than lost.
std::string Scalar(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

int Depth(const Json& value) {
  if (!value.is_structured()) return 0;
  int deepest = 0;
  for (const auto& item : value) deepest = std::max(deepest, Depth(item));
  return deepest + 1;
}

std::string OneLine(const Json& value) {
  if (!value.is_structured()) return Scalar(value);
  std::string text = value.is_object() ? "{" : "[";
  for (auto item = value.begin(); item != value.end(); ++item) {
    if (item != value.begin()) text += ", ";
    if (value.is_object()) text += Scalar(item.key()) + ": ";
    text += OneLine(item.value());
  }
  return text + (value.is_object() ? "}" : "]");
}

void Print(const Json& value, std::size_t indent, std::size_t column, std::string& out) {
  const std::string line = OneLine(value);
  if (!value.is_structured() || value.empty() || (Depth(value) <= kInlineDepth && column + line.size() <= kWidth)) {
    out += line;
    return;
  }
  const std::string inner(indent + 2, ' ');
  out += value.is_object() ? "{\n" : "[\n";
  for (auto item = value.begin(); item != value.end(); ++item) {
    const std::string key = value.is_object() ? Scalar(item.key()) + ": " : "";
    out += (item != value.begin() ? ",\n" : "") + inner + key;
    Print(item.value(), indent + 2, inner.size() + key.size(), out);
  }
  out += "\n" + std::string(indent, ' ') + (value.is_object() ? "}" : "]");
}

constexpr int kRan = 0;
constexpr int kRunnerFailed = 1;
constexpr int kMalformed = 2;

constexpr const char* kUsage =
    "usage: quorvel-scenario FILE.json\n"
    "Runs the scenario against the library with test doubles and prints its transcript as JSON.\n"
    "Exit status: 0 the scenario ran, 2 a malformed scenario, 1 the runner failed. See docs/scenarios.md.\n";
}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::cout << kUsage;
    return kRan;
  }
  if (argc != 2) {
    std::cerr << kUsage;
    return kMalformed;
  }
  const std::string file = argv[1];
  const auto refuse = [&](const std::string& message) {
    std::cerr << "quorvel-scenario: " << file << ": " << message << '\n';
    return kMalformed;
  };

  std::ifstream in(file, std::ios::binary);
  if (!in) return refuse("cannot be read");
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  Json scenario;
  try {
    scenario = Json::parse(text);
  } catch (const Json::parse_error& error) {
    return refuse(std::string("not valid JSON: ") + error.what());
  }
  if (!scenario.is_object()) return refuse("the scenario is a JSON object");

  try {
    const Json transcript = quorvel::scenario::RunScenario(scenario);
    std::string text;
    Print(transcript, 0, 0, text);
    std::cout << text << '\n';
    return kRan;
  } catch (const quorvel::scenario::ScenarioError& error) {
    return refuse(error.what());
  } catch (const std::exception& error) {
    std::cerr << "quorvel-scenario: " << file << ": the runner failed: " << error.what() << '\n';
    return kRunnerFailed;
  }
}
