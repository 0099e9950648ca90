"""Quorvel from Python: list the user's mail clients and hand one message to one of them.

    import quorvel
    names, default = quorvel.clients()
    outcome = quorvel.send(to=["ann@example.org"], subject="Report", body="Attached.",
                           attachments=["/tmp/report.pdf"], on_log=print)
    print(outcome.route, outcome.opened)

Errors the library reports come back as QuorvelError (number, description, source). The library is
the one QUORVEL_LIBRARY names (a path), else the one installed with this module, else libquorvel on
the system's library path.
"""

import ctypes
import ctypes.util
import os
from dataclasses import dataclass, field
from typing import Callable, List, Optional, Sequence, Tuple, Union

__all__ = ["QuorvelError", "Outcome", "clients", "send"]

_YES_NO = 4
_ANSWER_OK, _ANSWER_NO = 1, 7


class QuorvelError(Exception):
    """An error the library reported: its number, description and source."""

    def __init__(self, number: int, description: str, source: str = ""):
        super().__init__(f"error {number}: {description}" + (f" ({source})" if source else ""))
        self.number, self.description, self.source = number, description, source


@dataclass
class Outcome:
    """What became of a send: the route, whether a client or the mailto: handler was opened, whether
    the message fell back to a mailto: link, and what did not reach the client."""

    sent: bool
    route: str
    client: str
    opened: bool
    fell_back: bool
    not_opened_because: str
    exit_status: Optional[int]
    not_handed_over: List[str] = field(default_factory=list)


class _List(ctypes.Structure):
    _fields_ = [("shape", ctypes.c_int32), ("text", ctypes.c_char_p),
                ("texts", ctypes.POINTER(ctypes.c_char_p)), ("count", ctypes.c_size_t)]


class _Message(ctypes.Structure):
    _fields_ = [("sender", ctypes.c_char_p), ("to", _List), ("cc", _List), ("bcc", _List),
                ("subject", ctypes.c_char_p), ("body", ctypes.c_char_p), ("attachments", _List),
                ("importance", ctypes.POINTER(ctypes.c_int32)), ("html_format", ctypes.POINTER(ctypes.c_int32))]


class _Error(ctypes.Structure):
    _fields_ = [("number", ctypes.c_int32), ("description", ctypes.c_char_p), ("source", ctypes.c_char_p)]


class _Outcome(ctypes.Structure):
    _fields_ = [("route", ctypes.c_int32), ("route_name", ctypes.c_char_p), ("client", ctypes.c_char_p),
                ("fell_back", ctypes.c_int32), ("opened", ctypes.c_int32),
                ("not_opened_because", ctypes.c_char_p), ("has_exit_status", ctypes.c_int32),
                ("exit_status", ctypes.c_int32), ("not_handed_over_count", ctypes.c_size_t),
                ("not_handed_over", ctypes.POINTER(ctypes.c_char_p))]


_Text = ctypes.c_void_p  # quorvel_string*
_MEMBERS = [
    ("session_log_add", [ctypes.c_void_p, ctypes.c_char_p]),
    ("session_log_add_verbose", [ctypes.c_void_p, ctypes.c_char_p]),
    ("app_error_preserve", [ctypes.c_void_p, ctypes.c_char_p, _Text]),
    ("app_error_log", [ctypes.c_void_p, ctypes.c_int32, ctypes.c_int32]),
    ("application_name", [ctypes.c_void_p, _Text]),
    ("msg_box", [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int32, ctypes.c_char_p, ctypes.POINTER(ctypes.c_int32)]),
]
_CALLBACK = {name: ctypes.CFUNCTYPE(ctypes.c_int32, *arguments) for name, arguments in _MEMBERS}


class _Context(ctypes.Structure):
    _fields_ = [("user", ctypes.c_void_p)] + [(name, _CALLBACK[name]) for name, _ in _MEMBERS]


def _library_path() -> str:
    if os.environ.get("QUORVEL_LIBRARY"):
        return os.environ["QUORVEL_LIBRARY"]
    try:
        from quorvel._installed import LIBRARY  # written by the install
        return LIBRARY
    except ImportError:
        pass
    found = ctypes.util.find_library("quorvel")
    if not found:
        raise OSError("libquorvel was not found: install it, or set QUORVEL_LIBRARY to its path")
    return found


def _load():
    lib = ctypes.CDLL(_library_path())
    signatures = {
        "quorvel_string_set": (ctypes.c_int32, [_Text, ctypes.c_char_p]),
        "quorvel_current_error": (None, [ctypes.POINTER(_Error)]),
        "quorvel_failure": (ctypes.c_char_p, []),
        "quorvel_email_new": (ctypes.c_void_p, [ctypes.c_void_p]),
        "quorvel_email_free": (None, [ctypes.c_void_p]),
        "quorvel_email_set_context": (ctypes.c_int32, [ctypes.c_void_p, ctypes.POINTER(_Context)]),
        "quorvel_email_set_client_to_use": (ctypes.c_int32, [ctypes.c_void_p, ctypes.c_char_p]),
        "quorvel_email_set_alternate_attachment_message": (ctypes.c_int32, [ctypes.c_void_p, ctypes.c_char_p]),
        "quorvel_email_get_mail_clients": (ctypes.c_int32, [
            ctypes.c_void_p, ctypes.POINTER(ctypes.c_int32), ctypes.POINTER(ctypes.c_size_t),
            ctypes.POINTER(ctypes.POINTER(ctypes.c_char_p)), ctypes.POINTER(ctypes.c_char_p)]),
        "quorvel_email_send": (ctypes.c_int32, [ctypes.c_void_p, ctypes.POINTER(_Message),
                                                ctypes.POINTER(ctypes.c_int32)]),
        "quorvel_email_last_outcome": (ctypes.c_int32, [ctypes.c_void_p, ctypes.POINTER(_Outcome)]),
    }
    for name, (restype, argtypes) in signatures.items():
        function = getattr(lib, name)
        function.restype, function.argtypes = restype, argtypes
    return lib


_lib = None


def _library():
    global _lib
    if _lib is None:
        _lib = _load()
    return _lib


def _text(value: bytes) -> str:
    return (value or b"").decode("utf-8", "replace")


class _Session:
    """One Email with a context the module supplies: log lines dropped or passed to on_log, the
    application's name, Yes/No questions answered no, and the reported error kept for the exception."""

    def __init__(self, application_name: str, on_log: Optional[Callable[[str], None]]):
        self.lib = _library()
        self.error: Optional[QuorvelError] = None
        self.email = self.lib.quorvel_email_new(None)
        if not self.email:
            raise QuorvelError(7, _text(self.lib.quorvel_failure()))
        name = application_name.encode()

        def log(_user, line):
            if on_log:
                on_log(_text(line))
            return 0

        def keep_current_error(*_arguments):
            current = _Error()
            self.lib.quorvel_current_error(ctypes.byref(current))
            if current.number:
                self.error = QuorvelError(current.number, _text(current.description), _text(current.source))
            return 0

        def answer(_user, prompt, buttons, title, reply):
            log(None, _text(title).encode() + b": " + prompt)
            reply[0] = _ANSWER_NO if buttons == _YES_NO else _ANSWER_OK
            return 0

        members = {"session_log_add": log, "session_log_add_verbose": log,
                   "app_error_preserve": keep_current_error, "app_error_log": keep_current_error,
                   "application_name": lambda _user, text: self.lib.quorvel_string_set(text, name),
                   "msg_box": answer}
        # The callbacks must live as long as the Email calls them.
        self.context = _Context(None, *[_CALLBACK[member](members[member]) for member, _ in _MEMBERS])
        self.check(self.lib.quorvel_email_set_context(self.email, ctypes.byref(self.context)))

    def check(self, status: int):
        if status:
            raise QuorvelError(status, _text(self.lib.quorvel_failure()))

    def raise_reported(self):
        if self.error:
            raise self.error

    def close(self):
        self.lib.quorvel_email_free(self.email)


def clients(application_name: str = "Quorvel") -> Tuple[List[str], str]:
    """The installed mail clients and the default one; ([], "") when none is installed."""
    session = _Session(application_name, None)
    try:
        answered, count = ctypes.c_int32(), ctypes.c_size_t()
        names, default = ctypes.POINTER(ctypes.c_char_p)(), ctypes.c_char_p()
        session.check(session.lib.quorvel_email_get_mail_clients(
            session.email, ctypes.byref(answered), ctypes.byref(count), ctypes.byref(names), ctypes.byref(default)))
        session.raise_reported()
        return [_text(names[i]) for i in range(count.value)], _text(default.value)
    finally:
        session.close()


Addresses = Union[None, str, Sequence[str]]


def _list(value: Addresses, keep: list) -> _List:
    if value is None:
        return _List()
    if isinstance(value, str):
        return _List(1, value.encode(), None, 0)
    texts = (ctypes.c_char_p * len(value))(*[item.encode() for item in value])
    keep.append(texts)
    return _List(2, None, texts, len(value))


def send(to: Addresses = None, cc: Addresses = None, bcc: Addresses = None, subject: str = "", body: str = "",
         attachments: Addresses = None, sender: str = "", importance: Optional[int] = None,
         html: Optional[bool] = None, client: Optional[str] = None, attachment_note: Optional[str] = None,
         on_log: Optional[Callable[[str], None]] = None, application_name: str = "Quorvel") -> Outcome:
    """Hands the message to the default mail client (or the one client names), falling back to a
    mailto: link; each list is one text, a sequence of texts, or None. Answers the outcome."""
    session = _Session(application_name, on_log)
    try:
        if client is not None:
            session.check(session.lib.quorvel_email_set_client_to_use(session.email, client.encode()))
        if attachment_note is not None:
            session.check(session.lib.quorvel_email_set_alternate_attachment_message(
                session.email, attachment_note.encode()))
        keep: list = []
        message = _Message(sender.encode(), _list(to, keep), _list(cc, keep), _list(bcc, keep), subject.encode(),
                           body.encode(), _list(attachments, keep),
                           None if importance is None else ctypes.pointer(ctypes.c_int32(importance)),
                           None if html is None else ctypes.pointer(ctypes.c_int32(-1 if html else 0)))
        sent, outcome = ctypes.c_int32(), _Outcome()
        session.check(session.lib.quorvel_email_send(session.email, ctypes.byref(message), ctypes.byref(sent)))
        session.raise_reported()
        session.check(session.lib.quorvel_email_last_outcome(session.email, ctypes.byref(outcome)))
        return Outcome(sent=bool(sent.value), route=_text(outcome.route_name), client=_text(outcome.client),
                       opened=bool(outcome.opened), fell_back=bool(outcome.fell_back),
                       not_opened_because=_text(outcome.not_opened_because),
                       exit_status=outcome.exit_status if outcome.has_exit_status else None,
                       not_handed_over=[_text(outcome.not_handed_over[i])
                                        for i in range(outcome.not_handed_over_count)])
    finally:
        session.close()
