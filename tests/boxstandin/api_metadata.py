"""Metadata instances on files, answered with Box's metadata error shape.

Templates are free-form unless a test seeds one: then members must be the template's fields
with values of the field's type. Either way values must be strings or numbers, as Box's
template fields are.
"""

import json
import uuid

import dates
from errors import client_error, metadata_error
from httpmsg import json_reply

FIELD_TYPES = ("string", "float", "date", "enum", "multiSelect")


def create_instance(state, request):
    target = state.store.file(request.path_params["file_id"])
    scope = resolve_scope(state, request.path_params["scope"])
    template_key = request.path_params["template_key"]
    values = _body_object(request)
    _validate(values, state.store.templates.get((scope, template_key)))
    if template_key in target.metadata.get(scope, {}):
        raise metadata_error(409, "tuple_already_exists",
                             "A metadata instance of this template already exists on the file")
    instance = new_instance(target.id, scope, template_key, values)
    target.metadata.setdefault(scope, {})[template_key] = instance
    return json_reply(201, instance)


def new_instance(file_id, scope, template_key, values):
    instance_id = str(uuid.uuid4())
    instance = {"$parent": "file_%s" % file_id, "$template": template_key, "$scope": scope,
                "$version": 0, "$id": instance_id, "$type": "%s-%s" % (template_key, instance_id),
                "$typeVersion": 0, "$canEdit": True}
    instance.update(values)
    return instance


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


def check_template_fields(fields):
    if not isinstance(fields, dict) or not all(
            isinstance(name, str) and kind in FIELD_TYPES for name, kind in fields.items()):
        raise ValueError("template 'fields' must map field names to one of %s"
                         % ", ".join(FIELD_TYPES))
    return dict(fields)


def _body_object(request):
    try:
        values = json.loads(request.body.bytes().decode("utf-8"))
    except (UnicodeDecodeError, ValueError):
        values = None
    if not isinstance(values, dict):
        raise _schema_error("The body must be a JSON object of template field values")
    return values


def _validate(values, template):
    for name, value in values.items():
        if name.startswith("$"):
            raise _schema_error("'%s' is a reserved member" % name)
        if template is None:
            if not (isinstance(value, str) or _is_number(value)):
                raise _schema_error("Field '%s' must be a string or a number" % name)
        elif name not in template:
            raise _schema_error("'%s' is not a field of the template" % name)
        elif not _fits(template[name], value):
            raise _schema_error("Field '%s' must be of type %s" % (name, template[name]))


def _fits(kind, value):
    if kind == "multiSelect":
        return isinstance(value, list) and all(isinstance(v, str) for v in value)
    return _is_number(value) if kind == "float" else isinstance(value, str) and (
        kind != "date" or _is_date(value))


def _is_number(value):
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def _is_date(text):
    try:
        return bool(dates.parse(text))
    except ValueError:
        return False


def _schema_error(message):
    return metadata_error(400, "schema_validation_failed", message)
