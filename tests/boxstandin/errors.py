"""The error replies of the Box API: client errors, metadata errors, OAuth errors and 401."""

import secrets


class ApiError(Exception):
    """Raised by a handler to answer with an error reply; `body` None means an empty body."""

    def __init__(self, status, body=None, headers=()):
        super().__init__("%d %s" % (status, body))
        self.status, self.body, self.headers = status, body, list(headers)


def client_error_body(status, code, message, context_info=None):
    body = {"type": "error", "status": status, "code": code, "message": message,
            "help_url": "http://developers.box.com/docs/#errors", "request_id": secrets.token_hex(8)}
    return body if context_info is None else dict(body, context_info=context_info)


def client_error(status, code, message, context_info=None):
    return ApiError(status, client_error_body(status, code, message, context_info))


def metadata_error_body(code, message):
    # Box's metadata service answers without "type" and "status".
    return {"code": code, "message": message, "request_id": secrets.token_hex(8)}


def metadata_error(status, code, message):
    return ApiError(status, metadata_error_body(code, message))


def oauth_error(error, description):
    return ApiError(400, {"error": error, "error_description": description})


def unauthorized():
    return ApiError(401, None, [("WWW-Authenticate", 'Bearer realm="Service", error="invalid_token"')])


def bad_request(message, code="bad_request"):
    return client_error(400, code, message)


def not_found(message="Not Found"):
    return client_error(404, "not_found", message)


def invalid_parameter(name, message):
    reason = {"reason": "invalid_parameter", "name": name, "message": message}
    return client_error(400, "bad_request", message, {"errors": [reason]})
