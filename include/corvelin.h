/*
 * corvelin: a logging library for Windows x64 programs.
 *
 * One session per process writes a dated UTF-8 log file. Every string
 * crosses this interface as a zero-terminated UTF-8 string; truth values
 * are one byte (1 or 0). The functions use the platform's standard calling
 * convention and undecorated names, so any language can bind to them.
 */
#ifndef CORVELIN_H
#define CORVELIN_H

#include <stdint.h>

#if defined(_WIN32)
#  define CORVELIN_CALL __stdcall
#  if defined(CORVELIN_BUILDING)
#    define CORVELIN_API __declspec(dllexport)
#  else
#    define CORVELIN_API __declspec(dllimport)
#  endif
#else
#  define CORVELIN_CALL
#  define CORVELIN_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
}
#endif

#endif /* CORVELIN_H */
