import sys

import tavric

salt = tavric.gensalt(rounds=12)
print(f"salt:            {salt.decode()}")
stored = tavric.hashpw(b"correct horse battery staple", salt)
print(f"hash:            {stored.decode()}")
print(f"right password:  {tavric.checkpw(b'correct horse battery staple', stored)}")
print(f"wrong password:  {tavric.checkpw(b'Tr0ub4dor&3', stored)}")
print(f"GIL enabled:     {sys._is_gil_enabled()}")
