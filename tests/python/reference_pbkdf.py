"""A slow pure-Python bcrypt_pbkdf, written from the OpenBSD algorithm: the
kdf tests' reference, sharing no code with the extension (its Blowfish
constants are computed from pi here, not copied)."""

import functools
import hashlib

MASK = 0xFFFFFFFF


@functools.cache
def blowfish_initial_state():
    """P-array (18 words) then the four S-boxes (4 x 256 words): pi's hex digits.

    Computed with Machin's formula in fixed point rather than pasted, so a
    typo in a 1042-word table cannot hide in the reference.
    """
    count = 18 + 4 * 256
    guard = 64
    bits = 32 * count + guard
    one = 1 << bits

    def arctan_inverse(x):
        total = term = one // x
        n, sign = 1, -1
        while term:
            term //= x * x
            n += 2
            total += sign * (term // n)
            sign = -sign
        return total

    pi = 16 * arctan_inverse(5) - 4 * arctan_inverse(239)
    fraction = (pi - 3 * one) >> guard
    state = [(fraction >> (32 * (count - 1 - i))) & MASK for i in range(count)]
    assert (state[0], state[18], state[-1]) == (0x243F6A88, 0xD1310BA6, 0x3AC372E6)
    return tuple(state)


def big_endian_words(data):
    return [int.from_bytes(data[i : i + 4], "big") for i in range(0, len(data), 4)]


def encipher(P, S0, S1, S2, S3, left, right):
    for p in P[:16]:
        left ^= p
        right ^= (((S0[left >> 24] + S1[(left >> 16) & 255]) ^ S2[(left >> 8) & 255]) + S3[left & 255]) & MASK
        left, right = right, left
    return right ^ P[17], left ^ P[16]


def expand_state(P, S, key, data=None):
    """Blowfish_expandstate, or Blowfish_expand0state when data is None.

    key and data are 64-byte digests here, so the byte stream cycles on
    whole words.
    """
    for i in range(18):
        P[i] ^= key[i % len(key)]
    data = data or [0]
    left = right = position = 0
    for box in (P, *S):
        for k in range(0, len(box), 2):
            left ^= data[position % len(data)]
            right ^= data[(position + 1) % len(data)]
            position += 2
            left, right = encipher(P, *S, left, right)
            box[k], box[k + 1] = left, right


def bcrypt_hash(sha2pass, sha2salt):
    initial = blowfish_initial_state()
    P = list(initial[:18])
    S = [list(initial[18 + 256 * i : 18 + 256 * (i + 1)]) for i in range(4)]
    key, salt = big_endian_words(sha2pass), big_endian_words(sha2salt)
    expand_state(P, S, key, salt)
    for _ in range(64):
        expand_state(P, S, salt)
        expand_state(P, S, key)
    cdata = big_endian_words(b"OxychromaticBlowfishSwatDynamite")
    for _ in range(64):
        for k in range(0, len(cdata), 2):
            cdata[k], cdata[k + 1] = encipher(P, *S, cdata[k], cdata[k + 1])
    return b"".join(word.to_bytes(4, "little") for word in cdata)


@functools.cache
def reference_block(password, salt, count, rounds):
    # A block depends only on these, not on the requested length, so sizes
    # sharing a password and salt share the (slow) blocks.
    sha2pass = hashlib.sha512(password).digest()
    tmp = bcrypt_hash(sha2pass, hashlib.sha512(salt + count.to_bytes(4, "big")).digest())
    out = bytearray(tmp)
    for _ in range(rounds - 1):
        tmp = bcrypt_hash(sha2pass, hashlib.sha512(tmp).digest())
        out = bytearray(a ^ b for a, b in zip(out, tmp))
    return bytes(out)


def reference_kdf(password, salt, key_length, rounds):
    stride = (key_length + 31) // 32
    amount = (key_length + stride - 1) // stride
    key = bytearray(key_length)
    remaining, count = key_length, 1
    while remaining > 0:
        block = reference_block(password, salt, count, rounds)
        written = 0
        for i in range(min(amount, remaining)):
            dest = i * stride + count - 1
            if dest >= key_length:
                break
            key[dest] = block[i]
            written += 1
        remaining -= written
        count += 1
    return bytes(key)
