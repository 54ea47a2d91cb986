"""Metadata instances on files. Without a seeded template values must be strings or numbers;
with one, members must be its fields with values of the field's type."""

import json
import uuid

import dates
from errors import bad_request, client_error, metadata_error
from httpmsg import json_reply



def create_instance(state, request):
    target = state.store.file(request.path_params["file_id"])
    scope = resolve_scope(state, request.path_params["scope"])
    template_key = request.path_params["template_key"]
    values = _json_body(request)
    if not isinstance(values, dict):
        raise _schema_error("The body must be a JSON object of template field values")
    _validate(values, state.store.templates.get((scope, template_key)))
    if template_key in target.metadata.get(scope, {}):
        raise metadata_error(409, "tuple_already_exists",
                             "A metadata instance of this template already exists on the file")
    instance = new_instance(target.id, scope, template_key, values)
    target.metadata.setdefault(scope, {})[template_key] = instance
    return json_reply(201, instance)


def update_instance(state, request):
    """A JSON Patch of top-level members, applied whole or not at all."""
    target = state.store.file(request.path_params["file_id"])
    scope, key = resolve_scope(state, request.path_params["scope"]), request.path_params["template_key"]
    old = target.metadata.get(scope, {}).get(key)
    if old is None:
        raise metadata_error(404, "instance_not_found", "The metadata instance was not found")
    if request.header("Content-Type", "").split(";")[0] != "application/json-patch+json":
        raise bad_request("A metadata update is sent as application/json-patch+json")
    values = {name: value for name, value in old.items() if not name.startswith("$")}
    operations = _json_body(request)
    for op in operations if isinstance(operations, list) else [None]:
        name = str(op.get("path"))[1:] if isinstance(op, dict) else ""
        if not name or "/" in name or op.get("op") not in ("add", "replace", "remove") or \
                (op["op"] != "add" and name not in values) or (op["op"] != "remove" and "value" not in op):
            raise bad_request("Not a JSON Patch Box applies: %s" % json.dumps(op))
        values[name] = op.get("value")
        if op["op"] == "remove":
            del values[name]
    _validate(values, state.store.templates.get((scope, key)))
    target.metadata[scope][key] = dict(new_instance(target.id, scope, key, values), **{
        "$id": old["$id"], "$type": old["$type"], "$version": old["$version"] + 1})
    return json_reply(200, target.metadata[scope][key])


def new_instance(file_id, scope, template_key, values):
    instance_id = str(uuid.uuid4())
    return dict({"$parent": "file_%s" % file_id, "$template": template_key, "$scope": scope,
                 "$version": 0, "$id": instance_id, "$type": "%s-%s" % (template_key, instance_id),
                 "$typeVersion": 0, "$canEdit": True}, **values)


def resolve_scope(state, scope):
    """"enterprise" means the user's enterprise; another enterprise's scope is not visible."""
    enterprise_id = state.enterprise_id()
    if scope == "enterprise":
        scope = "enterprise_%s" % enterprise_id
    if scope.startswith("enterprise_") and (
            enterprise_id is None or scope != "enterprise_%s" % enterprise_id):
        raise client_error(404, "instance_tuple_not_found",
                           "The metadata template was not found")
    return scope


def _json_body(request):
    try:
        return json.loads(request.body.bytes())
    except ValueError:
        return None


def _validate(values, template):
    for name, value in values.items():
        if name.startswith("$"):
            problem = "is a reserved member"
        elif template is None:
            problem = None if isinstance(value, str) or _is_number(value) else \
                "must be a string or a number"
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
