// What a scenario sets up around the library: a sandbox folder holding its files, the platform seams
// (each a double, except the real file system, temp folder and version source), the application
// context and the automation servers. It records every call that crosses a seam as an event.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "quorvel/application_context.h"
#include "quorvel/platform.h"
#include "tests/doubles/fake_settings_store.h"
#include "tests/doubles/recorded_object.h"
#include "tests/scenario/node.h"

namespace quorvel::scenario {

// A fresh temporary folder, removed when the run ends. Its path is written "${SANDBOX}" in scenarios
// and transcripts, so both stay the same from one run to the next.
class Sandbox {
 public:
  Sandbox();
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const std::string& path() const { return path_; }
  // "files": {"relative/path.txt": "contents"}; folders are made as needed.
  void Write(const Node& files);
  // The files that the scenario did not write, or whose contents changed, by relative path.
  Json Written() const;
  // Every "${SANDBOX}" inside a string value becomes the path; Mask does the reverse, in keys too.
  Json Expand(const Json& value) const { return Replace(value, kMarker, path_, false); }
  Json Mask(const Json& value) const { return Replace(value, path_, kMarker, true); }

 private:
  static constexpr const char* kMarker = "${SANDBOX}";
  static Json Replace(const Json& value, const std::string& from, const std::string& to, bool keys);

  std::string path_;
  std::map<std::string, std::string> written_;  // what the scenario wrote, by relative path
};

class Environment {
 public:
  // root is the whole scenario, with the sandbox's path expanded; temporary files go to its "tmp" folder.
  Environment(const Node& root, const Sandbox& sandbox);

  const Platform& platform() const { return platform_; }
  // The context "SetApplicationContext" assigns; none when the scenario says "context": null.
  const std::shared_ptr<ApplicationContext>& context() const { return context_; }

  // Adds the event, then runs the call it stands for; an error the call raises is added to the event as
  // "raised" and goes on. Answers the event's position, for what the call answered.
  std::size_t Record(Json event, const std::function<void()>& call);
  Json events = Json::array();

  Json Settings() const;
  Json Doubles() const;

 private:
  struct Server {
    std::string prog_id;
    std::string kind;
    std::shared_ptr<AutomationObject> object;
    testing::RecordedObject* recorded;  // the same object
    int created = 0;
  };

  Platform platform_;
  std::shared_ptr<ApplicationContext> context_;
  std::shared_ptr<testing::FakeSettingsStore> settings_ = std::make_shared<testing::FakeSettingsStore>();
  std::deque<Server> servers_;  // as the scenario lists them; a deque, so each stays where its factory finds it
};

}  // namespace quorvel::scenario
