#pragma once
/* The header-field decoder library. One function, DecodeField.
 *
 * Ownership: the caller owns `value`, a writable, NUL-terminated single-byte
 * buffer. The library decodes the first RFC 2047 encoded word in place; the
 * result is never longer than the value, so it always fits. Bytes behind the
 * new NUL keep what they held. The library allocates and frees only its own
 * working copies, keeps no state and never fails. */
#ifdef _WIN32
#define LWB_EXPORT __declspec(dllexport)
#else
#define LWB_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

LWB_EXPORT void DecodeField(char* value);

#ifdef __cplusplus
}
#endif
