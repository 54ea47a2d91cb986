"""Metadata instances on files. Without a seeded template values must be strings or numbers; with one, members must
be its fields with values of the field's type."""

import json
import uuid

import dates
from errors import bad_request, client_error, metadata_error
from httpmsg import json_reply


def create_instance(state, request):
    target = state.store.file(request.path_params["file_id"])
    scope, key = resolve_scope(state, request.path_params["scope"]), request.path_params["template_key"]
    values = request.json_object(refusal=_schema_error("The body must be a JSON object of template field values"))
    _validate(values, state.store.templates.get((scope, key)))
    if key in target.metadata.get(scope, {}):
        raise metadata_error(409, "tuple_already_exists",
                             "A metadata instance of this template already exists on the file")
    instance = target.metadata.setdefault(scope, {})[key] = new_instance(target.id, scope, key, values)
    return json_reply(201, instance)


def update_instance(state, request):
    """A JSON Patch that sets or removes top-level members, applied whole or not at all."""
    target = state.store.file(request.path_params["file_id"])
    scope, key = resolve_scope(state, request.path_params["scope"]), request.path_params["template_key"]
    instance = target.metadata.get(scope, {}).get(key)
    if instance is None:
        raise metadata_error(404, "instance_not_found", "The metadata instance was not found")
    if request.header("Content-Type", "").split(";")[0] != "application/json-patch+json":
        raise bad_request("A metadata update is sent as application/json-patch+json")
    values = {name: value for name, value in instance.items() if not name.startswith("$")}
    try:
        for op in json.loads(request.body.bytes()):
            name, kind = op["path"][1:], op["op"]
            if "/" in name or kind not in ("add", "replace", "remove") or (kind != "add" and name not in values):
                raise ValueError(kind)
            values.pop(name) if kind == "remove" else values.update({name: op["value"]})
    except (ValueError, KeyError, TypeError):
        raise bad_request("The body is no JSON Patch that Box applies")
    _validate(values, state.store.templates.get((scope, key)))
    updated = target.metadata[scope][key] = dict({n: v for n, v in instance.items() if n.startswith("$")}, **values)
    updated["$version"] += 1
    return json_reply(200, updated)


def new_instance(file_id, scope, template_key, values):
    instance_id = str(uuid.uuid4())
    return dict({"$parent": "file_%s" % file_id, "$template": template_key, "$scope": scope, "$version": 0,
                 "$id": instance_id, "$type": "%s-%s" % (template_key, instance_id), "$typeVersion": 0,
                 "$canEdit": True}, **values)


def resolve_scope(state, scope):
    """"enterprise" means the user's enterprise; another enterprise's scope is not visible."""
    enterprise_id = state.enterprise_id()
    if scope == "enterprise":
        scope = "enterprise_%s" % enterprise_id
    if scope.startswith("enterprise_") and (enterprise_id is None or scope != "enterprise_%s" % enterprise_id):
        raise client_error(404, "instance_tuple_not_found", "The metadata template was not found")
    return scope


def _validate(values, template):
    for name, value in values.items():
        if name.startswith("$"):
            problem = "is a reserved member"
        elif template is None:
            problem = None if isinstance(value, str) or _is_number(value) else "must be a string or a number"
        elif name not in template:
            problem = "is not a field of the template"
        else:
            problem = None if _fits(template[name], value) else "must be a %s" % template[name]
        if problem:
            raise _schema_error("Field '%s' %s" % (name, problem))


def _fits(kind, value):
    if kind == "multiSelect":
        return isinstance(value, list) and all(isinstance(v, str) for v in value)
    if kind == "float":
        return _is_number(value)
    try:
        return isinstance(value, str) and (kind != "date" or bool(dates.parse(value)))
    except ValueError:
        return False


def _is_number(value):
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def _schema_error(message):
    return metadata_error(400, "schema_validation_failed", message)
