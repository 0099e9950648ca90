// Reaching the host's application context from inside the library.
#pragma once

#include <memory>

#include "quorvel/application_context.h"

namespace quorvel {

// The context an object holds; calling through it with none set raises 91.
ApplicationContext& RequireContext(const std::shared_ptr<ApplicationContext>& context);

}  // namespace quorvel
