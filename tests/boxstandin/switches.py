"""Behaviour switches that tests flip through POST /_control/switches.

marker_end "null"|"empty"|"absent": next_marker on the last page of a folder listing
download_mode "redirect"|"direct"|"not_ready": 302 to the download host, 200 with the bytes,
    or 202 with Retry-After
enterprise_null bool: the user's enterprise reads as null
part_size int: bytes per part of new upload sessions
authorize "grant"|"deny": the authorize page redirects with code= or error=access_denied
body_read_pace_ms, reply_send_pace_ms int: a pause after each MiB of a request body read or
    of file content sent (a slow uplink or downlink)
"""


def _choice(*allowed):
    return lambda value: value in allowed


def _count(value):
    return isinstance(value, int) and not isinstance(value, bool) and value >= 0


# name: (default, validator)
SWITCHES = {
    "marker_end": ("null", _choice("null", "empty", "absent")),
    "download_mode": ("redirect", _choice("redirect", "direct", "not_ready")),
    "enterprise_null": (False, lambda value: isinstance(value, bool)),
    "part_size": (8 * 1024 * 1024, lambda value: _count(value) and value > 0),
    "authorize": ("grant", _choice("grant", "deny")),
    "body_read_pace_ms": (0, _count),
    "reply_send_pace_ms": (0, _count),
}


class Switches:
    def __init__(self):
        self._values = {name: default for name, (default, _) in SWITCHES.items()}

    def get(self, name):
        return self._values[name]

    def update(self, changes):
        """Validate every change first so that a bad request changes nothing."""
        for name, value in changes.items():
            if name not in SWITCHES or not SWITCHES[name][1](value):
                raise ValueError("unknown switch or bad value: %r = %r" % (name, value))
        self._values.update(changes)
        return dict(self._values)
