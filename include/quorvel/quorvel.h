/* Quorvel for C and every language that can call C (Python's ctypes, Rust, Go, …): the Email object
 * behind an opaque handle, the host's application context as a table of callbacks, and each call's
 * failure as a status plus a message. Text is UTF-8 everywhere; Booleans are -1 (true) and 0 (false),
 * as automation has them. No C++ exception ever leaves these functions.
 *
 *   quorvel_email* email = quorvel_email_new(NULL);
 *   quorvel_context context = {.user = &my_state, .session_log_add = my_log, ...};
 *   quorvel_email_set_context(email, &context);
 *   quorvel_message message = {.to = QUORVEL_TEXT("ann@example.org"), .subject = "Hello"};
 *   int32_t sent;
 *   if (quorvel_email_send(email, &message, &sent) != 0) fprintf(stderr, "%s\n", quorvel_failure());
 *   quorvel_email_free(email);
 *
 * A status is 0 when the call was carried out, else the number of the error that stopped it (5 for an
 * argument the call cannot take, 7 when memory ran out, 91 for a missing context); quorvel_failure()
 * then describes it. Pointers a call hands out stay valid until the next call on the same handle (or,
 * for quorvel_failure and quorvel_current_error, on the same thread). */
#ifndef QUORVEL_QUORVEL_H
#define QUORVEL_QUORVEL_H

#include <stddef.h>
#include <stdint.h>

#include "quorvel/export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct quorvel_email quorvel_email;

/* A text the library passes to a callback by reference: read it, or replace it. */
typedef struct quorvel_string quorvel_string;
QUORVEL_EXPORT const char* quorvel_string_get(const quorvel_string* text);
QUORVEL_EXPORT int32_t quorvel_string_set(quorvel_string* text, const char* value);

/* The host's application context. Each member is called as the library's context member of the same
 * name; a NULL member is one the host left out, and calling it raises 438 inside the library, which
 * handles it as any missing member: without session_log_add an operation stops at its first log line
 * and reports 438 to app_error_preserve and app_error_log; without those, 438 is the call's status.
 * A member answers 0, or the number of an error it raises (described by the runtime's text for it). */
typedef struct quorvel_context {
  void* user; /* passed to every member */
  int32_t (*session_log_add)(void* user, const char* line);
  int32_t (*session_log_add_verbose)(void* user, const char* line);
  /* Called while the error being reported is the current one (quorvel_current_error); step holds
   * "Initialize" and may be replaced. */
  int32_t (*app_error_preserve)(void* user, const char* procedure, quorvel_string* step);
  int32_t (*app_error_log)(void* user, int32_t first, int32_t second);
  int32_t (*application_name)(void* user, quorvel_string* name);
  /* Buttons and answers as the Windows message box has them: 0 OK, 4 Yes and No; 6 Yes, 7 No. */
  int32_t (*msg_box)(void* user, const char* prompt, int32_t buttons, const char* title, int32_t* answer);
} quorvel_context;

/* The error being reported while the library runs a context member, in particular app_error_preserve
 * and app_error_log; number 0 outside them. */
typedef struct quorvel_error {
  int32_t number;
  const char* description;
  const char* source;
} quorvel_error;
QUORVEL_EXPORT void quorvel_current_error(quorvel_error* error);

/* The message of the last call on this thread that answered a nonzero status. */
QUORVEL_EXPORT const char* quorvel_failure(void);

/* The two parts of the platform a host may supply; a NULL member keeps the system's own. */
typedef struct quorvel_local_time {
  int32_t year, month, day, hour, minute, second; /* month 1 to 12, hour 0 to 23 */
} quorvel_local_time;
typedef struct quorvel_seams {
  void* user;
  /* The local date and time the trail stamps its lines with. */
  void (*now)(void* user, quorvel_local_time* time);
  /* The library's own notice (the Outlook routes' "cannot be reached"): shown, and closed by the
   * user, before it returns. A nonzero answer is a failure, which the library ignores and goes on. */
  int32_t (*show_message)(void* user, const char* prompt, const char* title);
  /* The desktop mail client that opens on the Simple MAPI route in place of the desktop's default
   * (Linux; see quorvel_desktop_mail_clients); NULL or "" for the default. */
  const char* mail_system_client;
} quorvel_seams;

/* A new Email over the system's platform with the seams given (NULL: none); NULL when it cannot be
 * made (quorvel_failure says why). */
QUORVEL_EXPORT quorvel_email* quorvel_email_new(const quorvel_seams* seams);
QUORVEL_EXPORT void quorvel_email_free(quorvel_email* email);

/* The context is copied; what its user pointer points to must outlive the Email. */
QUORVEL_EXPORT int32_t quorvel_email_set_context(quorvel_email* email, const quorvel_context* context);
/* As Email's ClientToUse: "[System Default]" or "" for no override. */
QUORVEL_EXPORT int32_t quorvel_email_set_client_to_use(quorvel_email* email, const char* client);
QUORVEL_EXPORT int32_t quorvel_email_set_alternate_attachment_message(quorvel_email* email, const char* message);

/* The installed mail clients and the default one. *answered is -1 when clients are installed, 0 (with
 * no clients and an empty default) when none is. */
QUORVEL_EXPORT int32_t quorvel_email_get_mail_clients(quorvel_email* email, int32_t* answered, size_t* count,
                                                      const char* const** clients, const char** default_client);

/* An address or attachment list: one text (which may itself hold several, separated as the library's
 * list rules say), an array of texts, or omitted (all zero). */
typedef enum quorvel_list_shape { QUORVEL_LIST_OMITTED = 0, QUORVEL_LIST_TEXT = 1, QUORVEL_LIST_TEXTS = 2 } quorvel_list_shape;
typedef struct quorvel_list {
  int32_t shape; /* a quorvel_list_shape */
  const char* text;
  const char* const* texts;
  size_t count;
} quorvel_list;
#define QUORVEL_TEXT(value) {QUORVEL_LIST_TEXT, (value), NULL, 0}
#define QUORVEL_TEXTS(array, n) {QUORVEL_LIST_TEXTS, NULL, (array), (n)}

/* The nine parameters of a send. A NULL text is the empty text; an omitted list is what a host that
 * leaves the parameter out passes; a NULL importance or html_format takes the default (1, false). */
typedef struct quorvel_message {
  const char* from;
  quorvel_list to, cc, bcc;
  const char* subject;
  const char* body;
  quorvel_list attachments;
  const int32_t* importance;
  const int32_t* html_format; /* -1 or 0 */
} quorvel_message;

/* Email's Send: *sent is -1 when the message reached a client or a mailto: link, else 0. */
QUORVEL_EXPORT int32_t quorvel_email_send(quorvel_email* email, const quorvel_message* message, int32_t* sent);

typedef enum quorvel_route {
  QUORVEL_ROUTE_NONE = 0,             /* stopped by an error before a route was chosen */
  QUORVEL_ROUTE_SIMPLE_MAPI = 1,      /* the client's own compose window through Simple MAPI */
  QUORVEL_ROUTE_EUDORA = 2,           /* Eudora's message file and command line */
  QUORVEL_ROUTE_OUTLOOK_CDO = 3,      /* Outlook's Collaboration Data Objects */
  QUORVEL_ROUTE_OUTLOOK_APPLICATION = 4, /* Outlook's own automation object */
  QUORVEL_ROUTE_MAILTO = 5            /* straight to a mailto: link */
} quorvel_route;

/* What became of the last send on this Email. */
typedef struct quorvel_outcome {
  int32_t route;        /* a quorvel_route */
  const char* route_name; /* "simple-mapi", "eudora", "outlook-cdo", "outlook-application", "mailto", "none" */
  const char* client;   /* as the mail clients' list names it; "" when none was known */
  int32_t fell_back;    /* -1: the message went to the desktop as a mailto: link */
  int32_t opened;       /* -1: a client or the mailto: handler was started and did not fail at once */
  const char* not_opened_because; /* "" when something was opened */
  int32_t has_exit_status; /* -1 when exit_status holds the status of a client that failed at once */
  int32_t exit_status;
  size_t not_handed_over_count; /* parts of the message that did not reach the client, with why */
  const char* const* not_handed_over;
} quorvel_outcome;
QUORVEL_EXPORT int32_t quorvel_email_last_outcome(quorvel_email* email, quorvel_outcome* outcome);

#ifdef __cplusplus
}
#endif

#endif /* QUORVEL_QUORVEL_H */
