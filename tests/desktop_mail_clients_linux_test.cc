#include "platform/desktop_mail_clients_linux.h"

#include <gtest/gtest.h>

namespace quorvel::platform {
namespace {

TEST(CommandWithoutFieldCodesTest, RemovesTheCodesAndTheBlanksTheyLeave) {
  const std::pair<const char*, const char*> cases[] = {
      {"mail --file=%f --icon-name %i %c %k", "mail --file= --icon-name"},
      {"mail %F %d %D %n %N %v %m -x", "mail -x"},
      {"\"/opt/My Mail/mail\" -c %u", "\"/opt/My Mail/mail\" -c"},
      {"mail 100%% %%u", "mail 100% %u"},
      {"mail %x 50%", "mail %x 50%"},
      {"%u", ""},
  };
  for (const auto& [exec, command] : cases) EXPECT_EQ(CommandWithoutFieldCodes(exec), command) << exec;
}

}  // namespace
}  // namespace quorvel::platform
