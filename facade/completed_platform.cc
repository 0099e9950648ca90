#include "platform/services.h"

namespace quorvel {

Platform platform::Completed(Platform platform) {
  if (platform.clock && platform.message_box && platform.services) return platform;
  const Platform system = SystemPlatform();
  if (!platform.clock) platform.clock = system.clock;
  if (!platform.message_box) platform.message_box = system.message_box;
  if (!platform.services) platform.services = system.services;
  return platform;
}

}  // namespace quorvel
