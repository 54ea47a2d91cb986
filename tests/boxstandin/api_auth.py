"""The token endpoint, the authorize page and the bearer-token check of API requests. The authorize page has no
sign-in form: it redirects at once to the redirect URI with "code" (or error=access_denied under the switch
"authorize" = "deny") and "state" when given."""

from urllib.parse import parse_qs, quote

from errors import oauth_error, unauthorized
from httpmsg import empty_reply, json_reply, text_reply

FORM_TYPE = "application/x-www-form-urlencoded"


def require_bearer(state, request):
    scheme, _, token = (request.header("Authorization") or "").partition(" ")
    if scheme.lower() != "bearer" or not state.tokens.is_valid_access(token.strip()):
        raise unauthorized()


def token(state, request):
    form = _form(request)
    grant = form.get("grant_type")
    if grant == "authorization_code":
        pair = state.tokens.redeem_code(form.get("code", ""))
    elif grant == "refresh_token":
        pair = state.tokens.refresh(form.get("refresh_token", ""))
    else:
        raise oauth_error("unsupported_grant_type" if grant else "invalid_request",
                          "Invalid grant_type parameter or parameter missing")
    if pair is None:
        raise oauth_error("invalid_grant", "The %s is invalid or was used before" % grant.replace("_", " "))
    return json_reply(200, {"access_token": pair[0], "expires_in": 3600, "restricted_to": [], "refresh_token": pair[1],
                            "token_type": "bearer"})


def authorize(state, request):
    redirect_uri, client_id = request.param("redirect_uri"), request.param("client_id")
    if request.param("response_type") != "code" or not (redirect_uri and client_id):
        return text_reply(400, "<html><body>invalid_request</body></html>", "text/html")
    if state.switches.get("authorize") == "deny":
        query = "error=access_denied&error_description=" + quote("The user denied access")
    else:
        query = "code=" + state.tokens.issue_code()
    if request.param("state") is not None:
        query += "&state=" + quote(request.param("state"), safe="")
    return empty_reply(302, [("Location", _append_query(redirect_uri, query)), ("Content-Type", "text/html")])


def _form(request):
    content_type = (request.header("Content-Type") or "").split(";")[0].strip().lower()
    if content_type != FORM_TYPE:
        raise oauth_error("invalid_request", "Content-Type must be " + FORM_TYPE)
    try:
        text = request.body.bytes().decode("utf-8")
    except UnicodeDecodeError:
        raise oauth_error("invalid_request", "The form is not UTF-8") from None
    form = {name: values[0] for name, values in parse_qs(text, keep_blank_values=True).items()}
    if not (form.get("client_id") and form.get("client_secret")):
        raise oauth_error("invalid_client", "The client credentials are invalid")
    return form


def _append_query(uri, query):
    # The product's redirect URI ends in "?"; a query may follow directly.
    return uri + ("" if uri.endswith(("?", "&")) else "&" if "?" in uri else "?") + query
