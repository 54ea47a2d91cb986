"""RFC 3339 dates. Box answers in its own zone; a fixed offset keeps the text predictable."""

from datetime import datetime, timedelta, timezone

SERVICE_ZONE = timezone(timedelta(hours=-8))


def now():
    return datetime.now(timezone.utc).replace(microsecond=0)


def parse(text):
    """Parse an RFC 3339 date-time; a text without a zone counts as UTC. Raises ValueError."""
    if not isinstance(text, str) or "T" not in text:
        raise ValueError("not an RFC 3339 date-time: %r" % (text,))
    value = datetime.fromisoformat(text.strip())
    return (value if value.tzinfo else value.replace(tzinfo=timezone.utc)).astimezone(timezone.utc)


def format_date(value):
    return None if value is None else value.astimezone(SERVICE_ZONE).isoformat(timespec="seconds")
