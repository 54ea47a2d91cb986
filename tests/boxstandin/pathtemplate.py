"""Path templates with {param} placeholders, shared by the stand-in's routes and the API index."""

import re

_PLACEHOLDER = re.compile(r"\{([^{}/]+)\}")


def compile_template(template):
    """Return a regex that matches a whole path against `template`.

    A placeholder matches one non-empty path segment (or the part of a segment it stands in,
    as in "thumbnail.{extension}"). Group names are sanitised because API parameter names
    may hold characters that regex group names may not.
    """
    pattern, position = [], 0
    for match in _PLACEHOLDER.finditer(template):
        pattern.append(re.escape(template[position:match.start()]))
        pattern.append("(?P<%s>[^/]+)" % _group_name(match.group(1)))
        position = match.end()
    pattern.append(re.escape(template[position:]))
    return re.compile("^" + "".join(pattern) + "$")


def placeholder_count(template):
    return len(_PLACEHOLDER.findall(template))


def _group_name(name):
    cleaned = re.sub(r"\W", "_", name)
    return cleaned if cleaned[:1].isalpha() else "p_" + cleaned
