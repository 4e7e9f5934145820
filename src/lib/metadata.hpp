// The package's descriptive texts, registered as module attributes.
#pragma once

#include <string_view>

#ifndef TAVRIC_VERSION
#error "TAVRIC_VERSION must be set by the build"
#endif

namespace tavric::lib::metadata {

inline constexpr std::string_view title = "tavric";
inline constexpr std::string_view summary =
    "bcrypt password hashing and bcrypt_pbkdf key derivation for free-threaded Python";
inline constexpr std::string_view uri = "https://tavric.example.org";
inline constexpr std::string_view version = TAVRIC_VERSION;
inline constexpr std::string_view author = "The tavric developers";
inline constexpr std::string_view email = "tavric@example.org";
inline constexpr std::string_view license = "Apache-2.0";
inline constexpr std::string_view copyright_prefix = "Copyright 2026 ";

}  // namespace tavric::lib::metadata
