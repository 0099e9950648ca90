// What a scenario sets up around the library: the platform seams (each a double, except the real
// file system over the sandbox), the application context and the automation servers. It adds an
// event for every URL handed to the shell and every program started, and dumps the final state of
// the settings and of every automation double.
#pragma once

#include <deque>
#include <memory>
#include <string>

#include "quorvel/application_context.h"
#include "quorvel/platform.h"
#include "tests/doubles/fake_settings_store.h"
#include "tests/scenario/automation_doubles.h"
#include "tests/scenario/events.h"

namespace quorvel::scenario {

class Environment {
 public:
  // root is the whole scenario; the keys read here are clock, hives, read_only, broken,
  // windows_version, context, servers, shell, programs, settings and temp_folder. Temporary files
  // are made in the sandbox's "tmp" folder.
  Environment(const Node& root, EventLog& events, const std::string& sandbox);

  const Platform& platform() const { return platform_; }
  // The context "SetApplicationContext" assigns; none when the scenario says "context": null.
  const std::shared_ptr<ApplicationContext>& context() const { return context_; }

  Json Settings() const;
  Json Doubles() const;

 private:
  struct Server {
    std::string prog_id;
    std::string kind;
    std::unique_ptr<AutomationDouble> double_;
    int created = 0;
  };

  Platform platform_;
  std::shared_ptr<ApplicationContext> context_;
  std::shared_ptr<testing::FakeSettingsStore> settings_ = std::make_shared<testing::FakeSettingsStore>();
  std::deque<Server> servers_;  // as the scenario lists them; a deque, so each stays where its factory finds it
};

}  // namespace quorvel::scenario
