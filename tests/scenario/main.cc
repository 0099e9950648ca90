// quorvel-scenario FILE.json: runs a scenario against the library with the platform and automation
// doubles and prints its transcript. Exit status: 0 when the scenario ran (whatever the library
// answered), 2 for a malformed scenario or a usage error, 1 when the runner itself failed.
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "tests/scenario/pretty_print.h"
#include "tests/scenario/runner.h"

namespace {
constexpr int kRan = 0;
constexpr int kRunnerFailed = 1;
constexpr int kMalformed = 2;

constexpr const char* kUsage =
    "usage: quorvel-scenario FILE.json\n"
    "Runs the scenario against the library with test doubles and prints its transcript as JSON.\n"
    "Exit status: 0 the scenario ran, 2 a malformed scenario, 1 the runner failed. See docs/scenarios.md.\n";
}  // namespace

int main(int argc, char** argv) {
  using quorvel::scenario::Json;
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
    std::cout << quorvel::scenario::PrettyPrint(transcript);
    return kRan;
  } catch (const quorvel::scenario::ScenarioError& error) {
    return refuse(error.what());
  } catch (const std::exception& error) {
    std::cerr << "quorvel-scenario: " << file << ": the runner failed: " << error.what() << '\n';
    return kRunnerFailed;
  }
}
