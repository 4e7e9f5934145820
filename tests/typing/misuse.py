"""Wrong uses of tavric's API. Each line marked `# E: code` must be reported
by mypy with that error code, and no other line."""

import tavric

tavric.hashpw("text password", tavric.gensalt())  # E: arg-type
tavric.hashpw(b"pw", "salt as text")  # E: arg-type
tavric.checkpw(b"pw", None)  # E: arg-type
tavric.gensalt(12.0)  # E: arg-type
tavric.gensalt(prefix="2b")  # E: arg-type
tavric.gensalt(cost=12)  # E: call-arg
tavric.kdf(b"p", b"s", 32)  # E: call-arg
tavric.kdf(b"p", b"s", "32", 50)  # E: arg-type
text: str = tavric.hashpw(b"pw", tavric.gensalt())  # E: assignment
matched: bytes = tavric.checkpw(b"pw", b"")  # E: assignment
tavric.PanicException  # E: attr-defined
