"""The stand-in's Box routes and how a request reaches its handler."""

import contextlib

import api_auth
import api_items
import api_metadata
import api_search
import api_sessions
import api_uploads
from errors import ApiError, client_error, invalid_parameter
from httpmsg import empty_reply, json_reply, text_reply
from openapi_routes import compile_template, invalid_query


class Route:
    # Handlers that move large content are not `locked`: they take the state lock themselves, for short spells.
    def __init__(self, method, template, handler, auth=True, locked=True):
        self.method, self.handler, self.auth, self.locked = method, handler, auth, locked
        self.key, self.regex = "%s %s" % (method, template), compile_template(template)


SESSION = "/api/2.0/files/upload_sessions/{upload_session_id}"
ROUTES = [
    Route("POST", "/oauth2/token", api_auth.token, auth=False),
    Route("GET", "/api/oauth2/authorize", api_auth.authorize, auth=False),
    Route("GET", "/2.0/users/me", api_items.users_me),
    Route("POST", "/2.0/folders", api_items.create_folder),
    Route("GET", "/2.0/folders/{folder_id}", api_items.get_folder),
    Route("PUT", "/2.0/folders/{folder_id}", api_items.update_folder),
    Route("DELETE", "/2.0/folders/{folder_id}", api_items.delete_folder),
    Route("GET", "/2.0/folders/{folder_id}/items", api_items.list_folder_items),
    Route("OPTIONS", "/2.0/files/content", api_uploads.preflight_new),
    Route("GET", "/2.0/files/{file_id}", api_items.get_file),
    Route("PUT", "/2.0/files/{file_id}", api_items.update_file),
    Route("DELETE", "/2.0/files/{file_id}", api_items.delete_file),
    Route("GET", "/2.0/files/{file_id}/content", api_items.download),
    Route("OPTIONS", "/2.0/files/{file_id}/content", api_uploads.preflight_version),
    Route("POST", "/2.0/files/{file_id}/metadata/{scope}/{template_key}", api_metadata.create_instance),
    Route("PUT", "/2.0/files/{file_id}/metadata/{scope}/{template_key}", api_metadata.update_instance),
    Route("GET", "/2.0/search", api_search.search),
    Route("POST", "/api/2.0/files/content", api_uploads.upload_new, locked=False),
    Route("POST", "/api/2.0/files/upload_sessions", api_sessions.create_session),
    Route("PUT", SESSION, api_sessions.upload_part, locked=False),
    Route("DELETE", SESSION, api_sessions.abort, locked=False),
    Route("POST", SESSION + "/commit", api_sessions.commit, locked=False),
    Route("POST", "/api/2.0/files/{file_id}/content", api_uploads.upload_version, locked=False),
    Route("POST", "/api/2.0/files/{file_id}/upload_sessions", api_sessions.create_version_session),
    Route("GET", "/_download/{ticket}", api_items.download_blob, auth=False),
]


def find_route(method, path):
    matches = ((route, route.regex.match(path)) for route in ROUTES if route.method == method)
    return next(((route, match.groupdict()) for route, match in matches if match), (None, {}))


def dispatch(state, request, route, path_params, check):
    try:
        # A front end refuses raw spaces, controls and non-ASCII in the request target.
        if not all(0x21 <= ord(char) <= 0x7E for char in request.target):
            return text_reply(400, "<html><body><h1>400 Bad Request</h1></body></html>", "text/html")
        if route is None:
            if any(other.regex.match(request.path) for other in ROUTES):
                raise client_error(405, "method_not_allowed", "Method Not Allowed")
            raise client_error(404, "not_found", "Not Found")
        if route.auth:
            api_auth.require_bearer(state, request)
        refused = invalid_query(check, request.params)
        if refused:
            raise invalid_parameter(refused[0], "Invalid value for query parameter '%s': %s" % refused)
        request.path_params = path_params
        with state.lock if route.locked else contextlib.nullcontext():
            return route.handler(state, request)
    except ApiError as error:
        return empty_reply(error.status, error.headers) if error.body is None else \
            json_reply(error.status, error.body, error.headers)
