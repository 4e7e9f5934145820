// Fault injection for the hardening tests. Only a build configured with
// TAVRIC_FAULT_SEAMS (scripts/sanitize makes one) carries the hooks, as weak
// imports that a test's preloaded library may define; the shipped module has
// none, and nothing in it can fail where a seam stands.
#pragma once

#ifdef TAVRIC_FAULT_SEAMS
extern "C" [[gnu::weak]] bool tavric_seam_sha512_fails() noexcept;
#endif

namespace tavric::runtime::seams {

// Makes bcrypt_pbkdf report a library failure, so that the derivation
// faults while the interpreter is released.
inline bool sha512_fails() noexcept
{
#ifdef TAVRIC_FAULT_SEAMS
    return tavric_seam_sha512_fails != nullptr && tavric_seam_sha512_fails();
#else
    return false;
#endif
}

}  // namespace tavric::runtime::seams
