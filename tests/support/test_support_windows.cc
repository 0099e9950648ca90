#include <cstdlib>

#include "tests/support/test_support.h"

namespace quorvel::testing {

// An empty value removes the variable: Windows keeps no empty ones.
void PutVariable(const std::string& name, const std::optional<std::string>& value) {
  _putenv_s(name.c_str(), value ? value->c_str() : "");
}

}  // namespace quorvel::testing
