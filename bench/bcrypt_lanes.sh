#!/bin/sh
# Builds and runs bench/bcrypt_lanes.cpp; arguments: [rounds] [first cost] [last cost].
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
binary=${TMPDIR:-/tmp}/tavric_bcrypt_lanes
g++ -std=c++20 -O3 -DNDEBUG -I"$root/src" -o "$binary" "$root/bench/bcrypt_lanes.cpp" \
    "$root/src/crypto/bcrypt.cpp" "$root/src/crypto/blowfish.cpp" \
    "$root/src/hashstring/radix64.cpp" "$root/src/hashstring/layout.cpp" -lcrypt
exec "$binary" "$@"
