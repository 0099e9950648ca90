#include <cstdlib>

#include "platform/windows/wide_text.h"
#include "tests/support/test_support.h"

namespace quorvel::testing {

// The value is UTF-8, as at the library's seams, so it goes in as UTF-16 whatever the code page. An
// empty value removes the variable: Windows keeps no empty ones.
void PutVariable(const std::string& name, const std::optional<std::string>& value) {
  _wputenv_s(platform::Widen(name).c_str(), platform::Widen(value.value_or("")).c_str());
}

}  // namespace quorvel::testing
