"""The OAuth token pair, with rotation on refresh and rejection of reused refresh tokens."""

import secrets

INITIAL_ACCESS_TOKEN = "initialaccesstoken"
INITIAL_REFRESH_TOKEN = "initialrefreshtoken"


class TokenBook:
    """Changes happen under the stand-in's state lock (token route, authorize page, control)."""

    def __init__(self):
        self.access_token, self.refresh_token = INITIAL_ACCESS_TOKEN, INITIAL_REFRESH_TOKEN
        self.access_expired, self.refresh_count, self._codes = False, 0, set()

    def is_valid_access(self, token):
        return bool(token) and token == self.access_token and not self.access_expired

    def issue_code(self):
        code = secrets.token_hex(16)
        self._codes.add(code)
        return code

    def redeem_code(self, code):
        if code not in self._codes:
            return None
        self._codes.discard(code)
        return self._rotate()

    def refresh(self, refresh_token):
        """A new pair for the current refresh token, else None; the old pair stops working."""
        if not refresh_token or refresh_token != self.refresh_token:
            return None
        self.refresh_count += 1
        return self._rotate()

    def set(self, access_token=None, refresh_token=None, access_expired=None):
        if access_token is not None:
            self.access_token, self.access_expired = access_token, False
        self.refresh_token = refresh_token or self.refresh_token
        if access_expired is not None:
            self.access_expired = access_expired
        return self.view()

    def view(self):
        return {"access_token": self.access_token, "refresh_token": self.refresh_token,
                "access_expired": self.access_expired, "refresh_count": self.refresh_count}

    def _rotate(self):
        self.access_token, self.refresh_token, self.access_expired = secrets.token_hex(16), secrets.token_hex(16), False
        return self.access_token, self.refresh_token
