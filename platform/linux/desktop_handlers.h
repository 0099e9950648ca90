// The desktop's handlers for a URL scheme, by one rule for listing the mail clients, signing on to
// one and opening a link with it: an entry with Hidden=true does not exist; an entry whose program
// (its TryExec, or its Exec line's first word) cannot be found is left out; NoDisplay does not
// matter, since a handler need not appear in menus.
#pragma once

#include <gio/gio.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/glib_owners.h"

namespace quorvel::platform {

inline constexpr std::string_view kMailtoScheme = "mailto";

// Every handler of the scheme under the rule, in GIO's order.
std::vector<glib::Object<GAppInfo>> HandlersFor(std::string_view scheme);

// The handler the desktop opens the scheme's links with: the one mimeapps.list sets, else the first
// handler there is; none when no handler passes the rule.
glib::Object<GAppInfo> DefaultHandlerFor(std::string_view scheme);

// GIO's default handler for the scheme when it passes the rule, else none; DefaultHandlerFor without
// its fall-back, for a caller that has the handlers listed already.
glib::Object<GAppInfo> GioDefaultHandlerFor(std::string_view scheme);

// How many changes to the desktop's entries and mimeapps.list GIO has noticed in this process, so that
// what was listed under one count may be kept until it moves. The first call starts watching, before
// anything is listed under it; safe from any thread.
//
// GIO notices a change when its file monitor fires in GLib's worker thread, which resets GIO's index of
// that folder and, in the same call, queues the news to every GAppInfoMonitor's context. The count is
// taken after dispatching what is queued, so it lags GIO's own listing by microseconds at most, and
// GIO's listing lags the files by as long as its monitors take.
std::uint64_t DesktopChanges();

// Inside a Flatpak (/.flatpak-info exists) or a Snap (SNAP is set), where the host's desktop entries
// and programs are out of sight; worked out once per process.
bool InsideSandbox();

// The desktop entry's id ("thunderbird.desktop"), or the empty text.
std::string DesktopId(GAppInfo* handler);

}  // namespace quorvel::platform
