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
/* The convention of the Windows API, which the desktop program's callers
 * were written against; on 64-bit Windows it is the only one there is. The
 * export keeps its plain name, "DecodeField" (lwb.def). */
#define LWB_CALL __stdcall
#else
#define LWB_EXPORT __attribute__((visibility("default")))
#define LWB_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

LWB_EXPORT void LWB_CALL DecodeField(char* value);

/* The function's type, for a caller that binds it by name at run time. */
typedef void(LWB_CALL* DecodeFieldFunction)(char* value);

#ifdef __cplusplus
}
#endif
