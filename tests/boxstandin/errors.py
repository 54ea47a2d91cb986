"""The error replies of the Box API: client errors, metadata errors, OAuth errors and 401."""

import itertools
import secrets

HELP_URL = "http://developers.box.com/docs/#errors"
WWW_AUTHENTICATE = 'Bearer realm="Service", error="invalid_token"'

_request_ids = itertools.count(1)


class ApiError(Exception):
    """Raised by a handler to answer with an error reply; `body` None means an empty body."""

    def __init__(self, status, body=None, headers=()):
        code = (body.get("code") or body.get("error")) if body else ""
        super().__init__("%d %s" % (status, code))
        self.status = status
        self.body = body
        self.headers = list(headers)


def new_request_id():
    return "%s%d" % (secrets.token_hex(6), next(_request_ids))


def client_error_body(status, code, message, context_info=None):
    body = {"type": "error", "status": status, "code": code, "help_url": HELP_URL,
            "message": message, "request_id": new_request_id()}
    if context_info is not None:
        body["context_info"] = context_info
    return body


def client_error(status, code, message, context_info=None):
    return ApiError(status, client_error_body(status, code, message, context_info))


def metadata_error_body(code, message):
    # Box's metadata service answers without "type" and "status".
    return {"code": code, "message": message, "request_id": new_request_id()}


def metadata_error(status, code, message):
    return ApiError(status, metadata_error_body(code, message))


def oauth_error(error, description, status=400):
    return ApiError(status, {"error": error, "error_description": description})


def unauthorized():
    return ApiError(401, None, [("WWW-Authenticate", WWW_AUTHENTICATE)])


def bad_request(message, code="bad_request", context_info=None):
    return client_error(400, code, message, context_info)


def not_found(message="Not Found", code="not_found"):
    return client_error(404, code, message)


def invalid_parameter(name, message):
    reason = {"reason": "invalid_parameter", "name": name, "message": message}
    return client_error(400, "bad_request", message, {"errors": [reason]})
