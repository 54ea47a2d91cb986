"""Search with Box's filters and offset paging; the description check refuses bad enums."""

import json

import dates
from api_metadata import resolve_scope
from errors import ApiError, client_error, invalid_parameter
from httpmsg import fields_param, int_param, json_reply
from render import Renderer
from store import ROOT_ID, File, Folder

MAX_OFFSET = 10000


def search(state, request):
    query, mdfilter = request.param("query", ""), _mdfilter(state, request.param("mdfilters"))
    if not query.strip() and mdfilter is None:
        raise invalid_parameter("query", "Provide the query or mdfilters parameter")
    offset = int_param(request, "offset", 0)
    if offset > MAX_OFFSET:
        raise invalid_parameter("offset", "Queries with offset above %d are rejected" % MAX_OFFSET)
    limit = int_param(request, "limit", 30, minimum=1)
    tests = ([_query_test(query)] if query.strip() else []) + ([mdfilter] if mdfilter else [])
    tests += [make(state.store, request.param(name)) for name, make in FILTERS if request.param(name)]
    matches = [item for item in state.store.items.values() if item.id != ROOT_ID and all(t(item) for t in tests)]
    descending = request.param("direction", "DESC") == "DESC"
    matches.sort(key=lambda item: (item.modified_at, int(item.id)), reverse=descending)
    renderer, fields = Renderer(state), fields_param(request)
    return json_reply(200, {"type": "search_results_items", "total_count": len(matches), "limit": limit,
                            "offset": offset, "entries": [renderer.item(item, fields)
                                                          for item in matches[offset:offset + limit]]})


def _query_test(query):
    text = query.strip()
    if len(text) >= 2 and text[0] == text[-1] == '"':
        terms = [text[1:-1].casefold()]
    else:
        terms = [word.casefold() for word in text.split() if word not in ("AND", "OR", "NOT")]

    def test(item):
        haystack = [item.name.casefold()] + [
            str(value).casefold() for templates in getattr(item, "metadata", {}).values()
            for instance in templates.values() for name, value in instance.items() if not name.startswith("$")]
        return all(any(term in field for field in haystack) for term in terms)
    return test


def _ancestor_test(store, text):
    folder_ids = [part.strip() for part in text.split(",") if part.strip()]
    missing = next((folder_id for folder_id in folder_ids if store.find(folder_id, Folder) is None), None)
    if missing is not None:
        raise client_error(404, "not_found", "Ancestor folder %s not found" % missing)
    return lambda item: any(store.is_within(item, folder_id) for folder_id in folder_ids)


def _extension_test(store, text):
    wanted = {part.strip().lower().lstrip(".") for part in text.split(",") if part.strip()}
    return lambda item: isinstance(item, File) and "." in item.name and item.name.rpartition(".")[2].lower() in wanted


def _size_test(store, text):
    low, high = _range_ends("size_range", text, int)
    return lambda item: (isinstance(item, File) and _within(item.size, low, high)
                         or isinstance(item, Folder) and _within(store.subtree_size(item), low, high))


def _date_test(store, text):
    low, high = _range_ends("updated_at_range", text, dates.parse)
    return lambda item: _within(item.modified_at, low, high)


FILTERS = (("type", lambda store, kind: lambda item: item.type == kind),
           ("ancestor_folder_ids", _ancestor_test), ("file_extensions", _extension_test),
           ("size_range", _size_test), ("updated_at_range", _date_test))


def _within(value, low, high):
    return (low is None or value >= low) and (high is None or value <= high)


def _range_ends(name, text, convert):
    """A "low,high" range where either end may be empty."""
    low, comma, high = text.partition(",")
    try:
        if not comma:
            raise ValueError
        return tuple(convert(end.strip()) if end.strip() else None for end in (low, high))
    except ValueError:
        raise invalid_parameter(name, "Invalid value '%s' for query parameter '%s'" % (text, name)) from None


def _mdfilter(state, text):
    if text is None:
        return None
    try:
        (entry,) = json.loads(text)
        scope = resolve_scope(state, entry["scope"]) if entry["scope"] != "global" else "global"
        template_key, conditions = entry["templateKey"], entry["filters"]
        if not isinstance(conditions, dict) or not isinstance(template_key, str):
            raise ValueError
    except (ValueError, TypeError, KeyError, ApiError):
        raise invalid_parameter("mdfilters", "Invalid value for query parameter 'mdfilters'") from None

    def test(item):
        instance = getattr(item, "metadata", {}).get(scope, {}).get(template_key)
        return instance is not None and all(_condition_holds(instance.get(name), condition)
                                            for name, condition in conditions.items())
    return test


def _condition_holds(value, condition):
    if value is None:
        return False
    if not isinstance(condition, dict):
        return _comparable(value) == _comparable(condition)
    low, high = condition.get("gt"), condition.get("lt")
    try:
        return _within(_comparable(value), low if low is None else _comparable(low),
                       high if high is None else _comparable(high))
    except TypeError:
        return False


def _comparable(value):
    """Numbers compare as numbers, dates as instants, anything else as text."""
    if isinstance(value, (int, float)) and not isinstance(value, bool):
        return float(value)
    for convert in (float, dates.parse):
        try:
            return convert(str(value))
        except ValueError:
            pass
    return str(value)
