#include "quorvel/send_outcome.h"

namespace quorvel {

const char* RouteName(SendRoute route) {
  switch (route) {
    case SendRoute::kNone: return "none";
    case SendRoute::kSimpleMapi: return "simple-mapi";
    case SendRoute::kEudora: return "eudora";
    case SendRoute::kOutlookCdo: return "outlook-cdo";
    case SendRoute::kOutlookApplication: return "outlook-application";
    case SendRoute::kMailTo: return "mailto";
  }
  return "none";
}

}  // namespace quorvel
