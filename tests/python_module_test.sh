#!/usr/bin/env bash
# The Python module over the built library, in a private desktop whose default client records what it is
# handed: a plain send, the outcome it answers, the log it passes on, and an error raised as an exception.
set -u
library=$1 module_folder=$2
. "$(dirname "$0")/cli_check.sh"
export QUORVEL_LIBRARY=$library PYTHONPATH=$module_folder
printf 'one\n' >"$work/one.txt"
printf 'two\n' >"$work/zwei ü.txt"

desktop_with thunderbird Thunderbird %u
check "a send with two attachments answers the route taken" 0 \
  "True simple-mapi Thunderbird True False []
logged: True" '^$' -- python3 -c "
import quorvel
lines = []
o = quorvel.send(to=['ann@example.org'], subject='Report', body='Both.',
                 attachments=['$work/one.txt', '$work/zwei ü.txt'], on_log=lines.append)
print(o.sent, o.route, o.client, o.opened, o.fell_back, o.not_handed_over)
print('logged:', any('Quorvel/EMail/Send - Entry' in line for line in lines))"
attachments_given() { compose thunderbird | grep -o "attachment='[^']*'"; }
check "the client got both attachments" 0 "attachment='file://$work/one.txt,file://$work/zwei%20%C3%BC.txt'" '' -- \
  attachments_given
check "the clients listed" 0 "['Thunderbird'] Thunderbird" '^$' -- \
  python3 -c "import quorvel; names, default = quorvel.clients(); print(names, default)"

# The raw C functions, through the module's own declarations: a context member left out (NULL), the
# host's message box failing, and a C++ exception inside a call, none of which may reach the caller.
printf '%s\n' 'REGEDIT4' '[HKEY_LOCAL_MACHINE\Software\Clients\Mail]' '@="Microsoft Outlook - CDO"' \
  '[HKEY_LOCAL_MACHINE\Software\Clients\Mail\Microsoft Outlook - CDO]' >"$root/machine.reg"
check "the C functions: NULL member, failing message box, an exception inside" 0 \
  "send: 0 0 errors: [438]
box: Using Microsoft Outlook for email failed, send: 0 -1 fell back: 1
texts: 51 Error 51: Internal error: vector::reserve" '^$' -- python3 -c "
import ctypes, quorvel as q
lib = q._library()
class Seams(ctypes.Structure):
    _fields_ = [('user', ctypes.c_void_p), ('now', ctypes.c_void_p),
                ('show_message', ctypes.CFUNCTYPE(ctypes.c_int32, ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p)),
                ('mail_system_client', ctypes.c_char_p)]
def sent(email, context, **fields):
    lib.quorvel_email_set_context(email, ctypes.byref(context))
    done = ctypes.c_int32()
    status = lib.quorvel_email_send(email, ctypes.byref(q._Message(to=q._List(1, b'ann@example.org'), **fields)),
                                    ctypes.byref(done))
    return status, done.value
errors = []
def log_error(user, first, second):
    error = q._Error(); lib.quorvel_current_error(ctypes.byref(error)); errors.append(error.number); return 0
name = q._CALLBACK['application_name'](lambda user, text: lib.quorvel_string_set(text, b'Test'))
quiet = q._CALLBACK['app_error_log'](log_error)
keep = q._CALLBACK['app_error_preserve'](lambda *a: 0)
print('send:', *sent(lib.quorvel_email_new(None),
                     q._Context(app_error_preserve=keep, app_error_log=quiet, application_name=name)),
      'errors:', errors)
shown = []
box = Seams(show_message=Seams._fields_[2][1](lambda user, prompt, title: shown.append(title.decode()) or 1))
log = q._CALLBACK['session_log_add'](lambda user, line: 0)
email = lib.quorvel_email_new(ctypes.byref(box))
everything = q._Context(None, log, log, keep, quiet, name,
                        q._CALLBACK['msg_box'](lambda *a: 0))
result = sent(email, everything)
outcome = q._Outcome(); lib.quorvel_email_last_outcome(email, ctypes.byref(outcome))
print('box:', *shown, 'failed, send:', *result, 'fell back:', -outcome.fell_back)
texts = q._List(2, None, (ctypes.c_char_p * 1)(b'x'), 2**64 - 1)
print('texts:', lib.quorvel_email_send(email, ctypes.byref(q._Message(to=texts)), ctypes.byref(ctypes.c_int32())),
      lib.quorvel_failure().decode())"

printf 'not a hive\n' >"$root/machine.reg"
check "an error the library reports is raised" 0 "321" '^$' -- python3 -c "
import quorvel
try:
    quorvel.clients()
except quorvel.QuorvelError as error:
    print(error.number)"
finish
