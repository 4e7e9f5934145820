/* Defines the fault-injection hook of a TAVRIC_FAULT_SEAMS build, so that
   bcrypt_pbkdf reports a library failure while the interpreter is released. */
#include <stdbool.h>

bool tavric_seam_sha512_fails(void) { return true; }
