/* The C interface of the Cryptel shared library (libCryptel.so, Cryptel.dll):
   deciphers a sector key token into the key's six bytes, and wipes the copies
   of a key its callers made.

   The programs load it at run time and look its calls up by name, never through
   an import table: water-control installations carry a closed library of the
   same file name, and a program that imported from whichever Cryptel.dll it met
   would either not start or write the keys a stranger's library made up. */
#ifndef CRYPTEL_CRYPTEL_H
#define CRYPTEL_CRYPTEL_H

#include <stddef.h>

#if defined(_WIN32)
#if defined(CRYPTEL_BUILDING_LIBRARY)
#define CRYPTEL_API __declspec(dllexport)
#else
#define CRYPTEL_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define CRYPTEL_API __attribute__((visibility("default")))
#else
#define CRYPTEL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Deciphers `token` (14 hexadecimal digits, either case) under `keyName`.
   On success returns a text of exactly six characters whose codes, read as
   unsigned char, are the six key bytes (a key never holds a 00 byte).
   On any failure - null pointer, wrong length, a non-hex digit, damaged
   digits, wrong key name - returns "" : callers must check for six characters.
   The text belongs to the library and stays valid until the same thread
   calls DecryptString again; calls from different threads do not interfere.
   Never throws and never crashes on a zero-terminated input. */
CRYPTEL_API const char* DecryptString(const char* token, const char* keyName);

/* Overwrites `count` bytes at `data` with zeros, in a way the compiler may not
   drop even right before the memory is freed or reused. For every copy of a key
   a caller holds, and for the text DecryptString returned, once the caller has
   taken its copy of it (that text is the calling thread's own buffer, and may be
   wiped in place). A null `data` or a zero `count` does nothing. */
CRYPTEL_API void CryptelWipe(void* data, size_t count);

/* CRYPTEL_IDENTITY: what marks this library as cardfmt's own. The text names the
   calling convention of the three calls; it changes when they change. */
CRYPTEL_API const char* CryptelIdentity(void);

#define CRYPTEL_IDENTITY "cardfmt Cryptel 1"

/* The calls as the programs look them up. */
typedef const char* (*CryptelDecryptStringFn)(const char* token, const char* keyName);
typedef void (*CryptelWipeFn)(void* data, size_t count);
typedef const char* (*CryptelIdentityFn)(void);

#ifdef __cplusplus
}
#endif

#endif
