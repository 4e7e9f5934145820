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

hasher = tavric.PasswordHasher()
tavric.PasswordHasher(rounds="12")  # E: arg-type
tavric.PasswordHasher(prefix=b"2b")  # E: arg-type
tavric.PasswordHasher(12, "2b", "utf-8", True)  # E: misc
hasher.hash(None)  # E: arg-type
hasher.verify("pw", 60)  # E: arg-type
hasher.rounds = 4  # E: misc
stored: bytes = hasher.hash("pw")  # E: assignment
ok: bool = hasher.averify("pw", "h")  # E: assignment
tavric.parse_hash("h").cost  # E: attr-defined
