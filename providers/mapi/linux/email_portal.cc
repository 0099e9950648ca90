#include "providers/mapi/linux/email_portal.h"

#include <gio/gunixfdlist.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/linux/desktop_handlers.h"
#include "platform/linux/glib_owners.h"
#include "platform/linux/private_files.h"
#include "platform/linux/shell.h"
#include "platform/text_encoding.h"
#include "providers/mapi/mapi_controls.h"
#include "providers/mapi/recipient_address.h"

namespace quorvel::mapi {

namespace {

namespace glib = platform::glib;
using Strings = std::vector<std::string>;

constexpr const char* kPortalBusName = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kEmailInterface = "org.freedesktop.portal.Email";
constexpr const char* kRequestInterface = "org.freedesktop.portal.Request";
constexpr const char* kPortal = "the desktop's Email portal";
constexpr std::size_t kLongestSubject = 200;  // characters, as the portal counts them
// The session bus refuses a message carrying more descriptors than this, and closes the connection.
constexpr std::size_t kMostAttachments = 16;
// Copies and several recipients came with version 3; before, one address only.
constexpr std::uint32_t kVersionWithCopies = 3;
// The portal may show the user a chooser first; past this the request is given up.
constexpr guint kAnswerSeconds = 120;

// Response codes of a portal request.
constexpr guint32 kResponseSuccess = 0;
constexpr guint32 kResponseCancelled = 1;

std::string Joined(const Strings& items, std::string_view separator) {
  std::string joined;
  for (const auto& item : items) joined += (joined.empty() ? "" : std::string(separator)) + item;
  return joined;
}

// What was asked, for the failure messages: the portal itself never says why.
std::string Described(const PortalRequest& request) {
  std::string what = "the message to " + (request.to.empty() ? std::string("nobody") : Joined(request.to, ", "));
  if (!request.cc.empty()) what += ", copies to " + Joined(request.cc, ", ");
  if (!request.bcc.empty()) what += ", blind copies to " + Joined(request.bcc, ", ");
  what += ", subject \"" + request.subject + "\"";
  if (!request.attachment_paths.empty()) what += ", attachments " + Joined(request.attachment_paths, ", ");
  return what;
}

// --- The guards ---

// Letters and digits of any script, and '_': what the portal takes as the parts of an address.
bool IsWordCharacter(gunichar c) { return c == '_' || g_unichar_isalnum(c); }

// word (sep word)*, with sep one of the separators: the shape of both halves of an address the
// portal takes (it refuses a leading, trailing or doubled separator).
bool IsWords(std::string_view part, std::string_view separators) {
  bool after_word = false;
  for (const char* at = part.data(); at < part.data() + part.size(); at = g_utf8_next_char(at)) {
    const gunichar c = g_utf8_get_char(at);
    if (IsWordCharacter(c)) {
      after_word = true;
    } else if (c < 0x80 && separators.find(static_cast<char>(c)) != std::string_view::npos && after_word) {
      after_word = false;
    } else {
      return false;
    }
  }
  return after_word;
}

// local@domain: local of words joined by . + -, domain of words joined by . -, with at least one dot.
bool PortalTakes(std::string_view address) {
  const auto at = address.find('@');
  if (at == std::string_view::npos) return false;
  const std::string_view domain = address.substr(at + 1);
  return IsWords(address.substr(0, at), ".+-") && IsWords(domain, ".-") && domain.find('.') != std::string_view::npos;
}

void RequireUtf8(const std::string& text, const std::string& what) {
  if (!platform::IsValidUtf8(text)) {
    throw MapiError(mapi_error::kNotSupported, what + " is not UTF-8 text, which " + kPortal + " takes only");
  }
}

Strings Addresses(const Strings& given) {
  Strings addresses;
  for (const auto& text : given) {
    RequireUtf8(text, "the address " + text);
    // The portal takes no display names.
    std::string address = SplitRecipient(text).address;
    if (!PortalTakes(address)) {
      throw MapiError(mapi_error::kInvalidRecips, text + " is not an address " + kPortal + " takes");
    }
    addresses.push_back(std::move(address));
  }
  return addresses;
}

void CheckSubject(const std::string& subject) {
  RequireUtf8(subject, "the subject");
  if (subject.find_first_of("\r\n") != std::string::npos) {
    throw MapiError(mapi_error::kNotSupported, std::string(kPortal) + " takes a subject of one line only");
  }
  if (platform::Utf8Characters(subject) > kLongestSubject) {
    throw MapiError(mapi_error::kTextTooLarge, std::string(kPortal) + " takes a subject of at most " +
                                                   std::to_string(kLongestSubject) + " characters");
  }
}

// The path the portal will see (links resolved, as it reads the descriptor's), which its mailto: URL
// carries unescaped: & # ? would end it or start a field, % would be decoded into another name.
std::string AttachmentPath(const std::string& path) {
  const std::unique_ptr<char, decltype(&free)> resolved(realpath(path.c_str(), nullptr), &free);
  if (path.find('\0') != std::string::npos || !resolved) {
    throw MapiError(mapi_error::kAttachmentNotFound, path);
  }
  const std::string_view text = resolved.get();
  const bool misread = text.find_first_of("&#?%") != std::string_view::npos ||
                       std::any_of(text.begin(), text.end(), [](char c) { return c >= 0 && c < 0x20; });
  if (misread || !platform::IsValidUtf8(text)) {
    throw MapiError(mapi_error::kNotSupported, std::string(kPortal) + " cannot pass on " + std::string(text) +
                                                   ": its name would be misread; rename it or attach it by hand");
  }
  return std::string(text);
}

std::string Escaped(const std::string& text) {
  const glib::Text escaped(g_uri_escape_string(text.c_str(), nullptr, FALSE));
  return escaped.get();
}

// The URL the portal's GTK back end hands to the mail client for this request.
std::string PortalUrl(const PortalRequest& request) {
  std::string url = "mailto:" + Joined(request.to, ",") + "?";
  if (!request.cc.empty()) url += "cc=" + Joined(request.cc, ",") + "&";
  if (!request.bcc.empty()) url += "bcc=" + Joined(request.bcc, ",") + "&";
  url += "subject=" + Escaped(request.subject) + "&body=" + Escaped(request.body);
  for (const auto& path : request.attachment_paths) url += "&attachment=" + path;
  return url;
}

// --- The bus ---

// A private connection whose signals come to a main context of our own, pushed for this thread
// while it lives, so that neither a host's shared connection nor its main loop is touched.
class PortalBus {
 public:
  explicit PortalBus(std::int32_t failure) : context_(g_main_context_new()) {
    g_main_context_push_thread_default(context_);
    glib::Error error;
    const glib::Text address(g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, error.out()));
    if (address) {
      connection_.reset(
          g_dbus_connection_new_for_address_sync(address.get(),
                                                 GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                                      G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                                                 nullptr, nullptr, error.out()));
    }
    if (!connection_) {
      Release();
      throw MapiError(failure, std::string(kPortal) + " cannot be reached: no session bus (" + error.message() + ")");
    }
  }
  ~PortalBus() { Release(); }
  PortalBus(const PortalBus&) = delete;
  PortalBus& operator=(const PortalBus&) = delete;

  GDBusConnection* connection() const { return connection_.get(); }
  GMainContext* context() const { return context_; }

 private:
  void Release() {
    if (connection_) g_dbus_connection_close_sync(connection_.get(), nullptr, nullptr);
    connection_.reset();
    // What the bus queued for us and was never dispatched goes with the context.
    g_main_context_pop_thread_default(context_);
    g_main_context_unref(context_);
  }

  GMainContext* context_;
  glib::Object<GDBusConnection> connection_;
};

// The text of a D-Bus error without its remote name.
std::string RemoteMessage(GError* error) {
  if (!error) return {};
  g_dbus_error_strip_remote_error(error);
  return error->message;
}

// Waits for one request's Response signal.
class ResponseWait {
 public:
  ResponseWait(const PortalBus& bus, const std::string& path) : bus_(bus) {
    // Subscribed before the call: the bus takes the match rule before the request it may answer.
    subscription_ =
        g_dbus_connection_signal_subscribe(bus.connection(), kPortalBusName, kRequestInterface, "Response",
                                           path.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE, OnResponse, this, nullptr);
  }
  ~ResponseWait() { g_dbus_connection_signal_unsubscribe(bus_.connection(), subscription_); }
  ResponseWait(const ResponseWait&) = delete;
  ResponseWait& operator=(const ResponseWait&) = delete;

  // The response, or nothing when none came in time.
  std::optional<guint32> Wait() {
    GSource* timeout = g_timeout_source_new_seconds(kAnswerSeconds);
    g_source_set_callback(timeout, OnTimeout, this, nullptr);
    g_source_attach(timeout, bus_.context());
    while (!response_ && !timed_out_) g_main_context_iteration(bus_.context(), TRUE);
    g_source_destroy(timeout);
    g_source_unref(timeout);
    return response_;
  }

 private:
  static void OnResponse(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
                         gpointer self) {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ua{sv})"))) return;
    guint32 response = 0;
    g_variant_get_child(parameters, 0, "u", &response);
    static_cast<ResponseWait*>(self)->response_ = response;
  }
  static gboolean OnTimeout(gpointer self) {
    static_cast<ResponseWait*>(self)->timed_out_ = true;
    return G_SOURCE_REMOVE;
  }

  const PortalBus& bus_;
  guint subscription_ = 0;
  std::optional<guint32> response_;
  bool timed_out_ = false;
};

// The handle the portal gives a request with this token: its path names our connection.
std::string RequestPath(GDBusConnection* connection, const std::string& token) {
  std::string sender = glib::TextOrEmpty(g_dbus_connection_get_unique_name(connection));
  if (sender.starts_with(':')) sender.erase(0, 1);
  for (char& c : sender) c = c == '.' ? '_' : c;
  return std::string(kPortalPath) + "/request/" + sender + "/" + token;
}

// Unique among the requests of one connection, which is all the portal asks: the request's path names
// the connection.
std::string NewToken() {
  static std::atomic<unsigned> count{0};
  return "quorvel_" + std::to_string(++count);
}

GVariant* StringArray(const Strings& items) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE_STRING_ARRAY);
  for (const auto& item : items) g_variant_builder_add(&builder, "s", item.c_str());
  return g_variant_builder_end(&builder);
}

// The attachments opened read-only (the portal refuses a descriptor it could write through), each
// a regular file, as the descriptor list the call carries and their handles.
GVariant* AttachmentHandles(const Strings& paths, GUnixFDList* descriptors) {
  GVariantBuilder handles;
  g_variant_builder_init(&handles, G_VARIANT_TYPE("ah"));
  for (const auto& path : paths) {
    const platform::FileForReading file = platform::OpenRegularFile(path);
    if (file.found != platform::Found::kRegularFile) {
      g_variant_builder_clear(&handles);
      throw MapiError(mapi_error::kAttachmentNotFound, path + " cannot be opened for reading as a file");
    }
    g_variant_builder_add(&handles, "h", g_unix_fd_list_append(descriptors, file.file.get(), nullptr));
  }
  return g_variant_builder_end(&handles);
}

GVariant* Options(const EmailPortal& portal, const PortalRequest& request, const std::string& token,
                  GUnixFDList* descriptors) {
  GVariantBuilder options;
  g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&options, "{sv}", "handle_token", g_variant_new_string(token.c_str()));
  // One of "address" and "addresses", never both: the portal's back end does not survive both.
  if (portal.version >= kVersionWithCopies) {
    if (!request.to.empty()) g_variant_builder_add(&options, "{sv}", "addresses", StringArray(request.to));
    if (!request.cc.empty()) g_variant_builder_add(&options, "{sv}", "cc", StringArray(request.cc));
    if (!request.bcc.empty()) g_variant_builder_add(&options, "{sv}", "bcc", StringArray(request.bcc));
  } else if (!request.to.empty()) {
    g_variant_builder_add(&options, "{sv}", "address", g_variant_new_string(request.to.front().c_str()));
  }
  if (!request.subject.empty()) {
    g_variant_builder_add(&options, "{sv}", "subject", g_variant_new_string(request.subject.c_str()));
  }
  if (!request.body.empty()) {
    g_variant_builder_add(&options, "{sv}", "body", g_variant_new_string(request.body.c_str()));
  }
  if (!request.attachment_paths.empty()) {
    try {
      g_variant_builder_add(&options, "{sv}", "attachment_fds",
                            AttachmentHandles(request.attachment_paths, descriptors));
    } catch (...) {
      g_variant_builder_clear(&options);
      throw;
    }
  }
  return g_variant_builder_end(&options);
}

}  // namespace

bool ComposeThroughPortal() {
  const char* compose = std::getenv("QUORVEL_COMPOSE");
  if (compose && std::string_view(compose) == "portal") return true;
  return platform::InsideSandbox();
}

bool PortalAttachmentsAllowed() {
  const char* allowed = std::getenv("QUORVEL_PORTAL_ATTACHMENTS");
  return allowed && std::string_view(allowed) == "1";
}

EmailPortal FindEmailPortal() {
  const PortalBus bus(mapi_error::kLoginFailure);
  glib::Error error;
  const glib::Variant reply(
      g_dbus_connection_call_sync(bus.connection(), kPortalBusName, kPortalPath, "org.freedesktop.DBus.Properties",
                                  "Get", g_variant_new("(ss)", kEmailInterface, "version"), G_VARIANT_TYPE("(v)"),
                                  G_DBUS_CALL_FLAGS_NONE, -1, nullptr, error.out()));
  if (!reply) {
    throw MapiError(mapi_error::kLoginFailure,
                    std::string(kPortal) + " does not answer on the session bus (" + RemoteMessage(*error.out()) + ")");
  }
  const glib::Variant version(g_variant_get_child_value(reply.get(), 0));
  const glib::Variant number(g_variant_get_variant(version.get()));
  if (!g_variant_is_of_type(number.get(), G_VARIANT_TYPE_UINT32)) {
    throw MapiError(mapi_error::kLoginFailure, std::string(kPortal) + " answers no version");
  }
  return {g_variant_get_uint32(number.get())};
}

PortalRequest PortalRequestFor(const EmailPortal& portal, const ComposedMessage& message, bool attachmentsAllowed) {
  PortalRequest request{Addresses(message.to), Addresses(message.cc), Addresses(message.bcc), message.subject,
                        std::string(message.note_text)};
  CheckSubject(request.subject);
  RequireUtf8(request.body, "the body");
  if (portal.version < kVersionWithCopies && (request.to.size() > 1 || !request.cc.empty() || !request.bcc.empty())) {
    throw MapiError(mapi_error::kNotSupported, std::string(kPortal) + " (version " + std::to_string(portal.version) +
                                                   ") takes one recipient and no copies");
  }
  if (!message.attachment_paths.empty() && !attachmentsAllowed) {
    throw MapiError(mapi_error::kNotSupported,
                    std::string(kPortal) +
                        " does not pass attachments on: its mail clients drop them without a word; "
                        "attach " +
                        Joined(message.attachment_paths, ", ") + " in the compose window by hand");
  }
  if (message.attachment_paths.size() > kMostAttachments) {
    throw MapiError(mapi_error::kNotSupported, std::string(kPortal) + " takes at most " +
                                                   std::to_string(kMostAttachments) + " attachments in one message");
  }
  for (const auto& path : message.attachment_paths) request.attachment_paths.push_back(AttachmentPath(path));
  if (PortalUrl(request).size() > platform::kLargestArgument) {
    throw MapiError(mapi_error::kTextTooLarge,
                    "the message is longer than " + std::string(kPortal) + " hands a mail client (" +
                        std::to_string(platform::kLargestArgument) + " bytes as a mailto: URL)");
  }
  return request;
}

void ComposeByPortal(const EmailPortal& portal, const PortalRequest& request) {
  const PortalBus bus(mapi_error::kFailure);
  const std::string token = NewToken();
  const glib::Object<GUnixFDList> descriptors(g_unix_fd_list_new());
  GVariant* options = Options(portal, request, token, descriptors.get());
  ResponseWait wait(bus, RequestPath(bus.connection(), token));
  glib::Error error;
  const glib::Variant reply(g_dbus_connection_call_with_unix_fd_list_sync(
      bus.connection(), kPortalBusName, kPortalPath, kEmailInterface, "ComposeEmail",
      g_variant_new("(s@a{sv})", "", options), G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE, -1, descriptors.get(),
      nullptr, nullptr, error.out()));
  if (!reply) {
    throw MapiError(mapi_error::kFailure,
                    std::string(kPortal) + " refused " + Described(request) + " (" + RemoteMessage(*error.out()) + ")");
  }
  const std::optional<guint32> response = wait.Wait();
  if (!response) {
    throw MapiError(mapi_error::kFailure, std::string(kPortal) + " gave no answer in " +
                                              std::to_string(kAnswerSeconds) + " seconds for " + Described(request));
  }
  if (*response == kResponseCancelled) throw MapiError(mapi_error::kUserAbort, Described(request));
  if (*response != kResponseSuccess) {
    throw MapiError(mapi_error::kFailure, std::string(kPortal) + " could not hand " + Described(request) +
                                              " to a mail client: is one set up to open mailto: links?");
  }
}

}  // namespace quorvel::mapi
