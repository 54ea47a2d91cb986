"""Behaviour switches that tests flip through the control interface."""

import threading

import dates


def _choice(*allowed):
    def check(value):
        if value not in allowed:
            raise ValueError("must be one of %s" % ", ".join(allowed))
        return value
    return check


def _flag(value):
    if not isinstance(value, bool):
        raise ValueError("must be true or false")
    return value


def _positive(value):
    if isinstance(value, bool) or not isinstance(value, int) or value < 1:
        raise ValueError("must be a positive integer")
    return value


def _non_negative(value):
    if isinstance(value, bool) or not isinstance(value, int) or value < 0:
        raise ValueError("must be an integer >= 0")
    return value


# name: (default, validator)
SWITCHES = {
    "marker_end": ("null", _choice("null", "empty", "absent")),
    "download_mode": ("redirect", _choice("redirect", "direct", "not_ready")),
    "download_retry_after": (1, _non_negative),
    "etag_bump_on_lock": (False, _flag),
    "enterprise_null": (False, _flag),
    "date_style": ("offset", _choice(*dates.STYLES)),
    "part_size": (8 * 1024 * 1024, _positive),
    "authorize": ("grant", _choice("grant", "deny")),
    "body_read_pace_ms": (0, _non_negative),
    "reply_send_pace_ms": (0, _non_negative),
}


class Switches:
    def __init__(self):
        self._lock = threading.Lock()
        self._values = {name: default for name, (default, _) in SWITCHES.items()}

    def get(self, name):
        with self._lock:
            return self._values[name]

    def as_dict(self):
        with self._lock:
            return dict(self._values)

    def update(self, changes):
        """Validate every change first so that a bad request changes nothing."""
        if not isinstance(changes, dict):
            raise ValueError("switches must be a JSON object")
        checked = {}
        for name, value in changes.items():
            if name not in SWITCHES:
                raise ValueError("unknown switch %r" % name)
            try:
                checked[name] = SWITCHES[name][1](value)
            except ValueError as error:
                raise ValueError("switch %r %s" % (name, error)) from None
        with self._lock:
            self._values.update(checked)
