// Strict conversions of bound arguments to native values. Each failure comes
// back already wrapped with the parameter's name where the rules call for it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "boundary/error.hpp"

namespace tavric::binding {

// A bytes object's own content, used in place. Valid for the whole call, also
// while the interpreter is released: bytes never change and the caller keeps
// its arguments alive.
using ByteView = std::span<const std::uint8_t>;

boundary::Result<ByteView> to_bytes(PyObject* object, std::string_view parameter);
boundary::Result<std::uint16_t> to_u16(PyObject* object, std::string_view parameter);
boundary::Result<std::uint32_t> to_u32(PyObject* object, std::string_view parameter);
boundary::Result<std::uint64_t> to_u64(PyObject* object, std::string_view parameter);
boundary::Result<bool> to_bool(PyObject* object, std::string_view parameter);

// A list or tuple (or a subclass), copied into a new tuple that holds its own
// references: the items stay alive and in place while the interpreter is
// released, whatever other threads do to the caller's list meanwhile.
// Anything else is refused: "'{type}' object cannot be converted to 'Sequence'".
boundary::Result<boundary::Ref> to_tuple(PyObject* object, std::string_view parameter);

// TypeError "'{type}' object cannot be converted to '{target}'".
boundary::Error cannot_convert(PyObject* object, std::string_view target);

// A TypeError (exactly) gets "argument '{parameter}': " in front, keeps the
// original's cause and nothing else of it; other errors pass unchanged.
boundary::Error name_argument(std::string_view parameter, boundary::Error error);

}  // namespace tavric::binding
