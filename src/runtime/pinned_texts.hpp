// Texts that callers depend on byte for byte: exception messages that code
// and tests match, fault texts and banners that logs are searched for, and
// the names a stored hash or a derived key is computed from. Changing one
// breaks someone; every such text in the module comes from here. A "{}"
// marks where runtime::fill puts a value, in order.
#pragma once

#include <string_view>

namespace tavric::runtime::pinned {

// ValueError messages of the operations.
inline constexpr std::string_view unsupported_prefix = "Supported prefixes are b'2a' or b'2b'";
inline constexpr std::string_view invalid_rounds = "Invalid rounds";
inline constexpr std::string_view password_too_long =
    "password cannot be longer than 72 bytes, truncate manually if necessary (e.g. my_password[:72])";
inline constexpr std::string_view invalid_salt = "Invalid salt";
inline constexpr std::string_view kdf_empty_input = "password and salt must not be empty";
inline constexpr std::string_view kdf_bad_length = "desired_key_bytes must be 1-512";
inline constexpr std::string_view kdf_no_rounds = "rounds must be 1 or more";
// The batch functions' two sequences.
inline constexpr std::string_view pairs_unequal = "{} and {} must have the same length";

// kdf's UserWarning.
inline constexpr std::string_view few_rounds =
    "Warning: tavric.kdf() called with only {} round(s). This few is not secure: the parameter is linear, like "
    "PBKDF2.";

// Argument binding and conversion, worded as the interpreter's own messages.
// "argument"/"arguments" and "was"/"were" are filled in by count.
inline constexpr std::string_view takes_positional = "{}() takes {} positional {} but {} {} given";
inline constexpr std::string_view takes_from_to = "{}() takes from {} to {} positional {} but {} {} given";
inline constexpr std::string_view unexpected_keyword = "{}() got an unexpected keyword argument '{}'";
inline constexpr std::string_view multiple_values = "{}() got multiple values for argument '{}'";
inline constexpr std::string_view missing_required = "{}() missing {} required positional {}: {}";
inline constexpr std::string_view out_of_range = "out of range integral type conversion attempted";
inline constexpr std::string_view cannot_convert = "'{}' object cannot be converted to '{}'";
inline constexpr std::string_view named_argument = "argument '{}': {}";
inline constexpr std::string_view no_bool_conversion = "object of type '{}' does not define a '__bool__' conversion";
inline constexpr std::string_view unknown_type_name = "<failed to extract type name>";
inline constexpr std::string_view unprintable = "<unprintable {} object>";
inline constexpr std::string_view unprintable_object = "<unprintable object>";

// The interpreter's side.
inline constexpr std::string_view no_exception_set = "attempted to fetch exception but none was set";
inline constexpr std::string_view subinterpreters =
    "PyO3 modules do not yet support subinterpreters, see https://tavric.example.org/issues/subinterpreters";
inline constexpr std::string_view combiner_missing = "tavric._tavric has not published its combiner in this interpreter";
inline constexpr std::string_view owner_finalised =
    "tavric cannot be imported again after the interpreter that first imported it was finalised";
inline constexpr const char* panic_exception_name = "pyo3_runtime.PanicException";
inline constexpr const char* panic_exception_doc =
    "\n"
    "The exception raised when native code called from Python fails unrecoverably.\n"
    "\n"
    "Like SystemExit, this exception is derived from BaseException so that\n"
    "it will typically propagate all the way through the stack and cause the\n"
    "Python interpreter to exit.\n";

// Internal faults.
inline constexpr std::string_view api_call_failed = "Python API call failed";
inline constexpr std::string_view unwrap_failed = "called `Result::unwrap()` on an `Err` value: ";
inline constexpr std::string_view append_to_all_failed = "could not append __name__ to __all__: ";
inline constexpr std::string_view exception_type_failed = "Failed to initialize new exception type.: ";
inline constexpr std::string_view exception_missing = "exception missing after writing to the interpreter";
inline constexpr std::string_view unwrapped_panic = "Unwrapped panic from Python code";
inline constexpr std::string_view uncaught_panic = "uncaught panic at ffi boundary";

// Standard error.
inline constexpr std::string_view resume_banner =
    "--- PyO3 is resuming a panic after fetching a PanicException from Python. ---\n";
inline constexpr std::string_view resume_trace = "Python stack trace below:\n";
inline constexpr std::string_view backtrace_switch = "TAVRIC_BACKTRACE";
inline constexpr std::string_view backtrace_hint =
    "note: run with `TAVRIC_BACKTRACE=1` environment variable to display a backtrace\n";
inline constexpr std::string_view allocation_failed_head = "memory allocation of ";
inline constexpr std::string_view allocation_failed_tail = " bytes failed\n";

// The random source's errors, in their debug form.
inline constexpr std::string_view random_unexpected =
    "Error { internal_code: 65538, description: \"unexpected situation\" }";
inline constexpr std::string_view random_errno_not_positive =
    "Error { internal_code: 65537, description: \"errno: did not return a positive value\" }";
// errno twice, its kind (crypto/random.cpp names them), the C library's text.
inline constexpr std::string_view random_os_error =
    "Error { os_error: {}, description: Os { code: {}, kind: {}, message: \"{}\" } }";

// bcrypt_pbkdf's refusals, as kdf's fault text names them.
inline constexpr std::string_view pbkdf_invalid_param_len = "InvalidParamLen";
inline constexpr std::string_view pbkdf_invalid_rounds = "InvalidRounds";
inline constexpr std::string_view pbkdf_invalid_output_len = "InvalidOutputLen";
inline constexpr std::string_view pbkdf_library_failure = "LibraryFailure";

// The constants the algorithms are defined with: every stored hash and
// derived key depends on them.
inline constexpr std::string_view bcrypt_magic = "OrpheanBeholderScryDoubt";
inline constexpr std::string_view pbkdf_magic = "OxychromaticBlowfishSwatDynamite";
inline constexpr std::string_view radix64_alphabet = "./ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

}  // namespace tavric::runtime::pinned
