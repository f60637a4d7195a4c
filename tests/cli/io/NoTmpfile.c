// Preloaded into corvane by OutputTest.py: open() refuses unnamed temporary files as a file
// system without them does (EOPNOTSUPP), so the named fallback can be tested anywhere; with
// CORVANE_TEST_RENAME_FAILS set, renaming a temporary file (.corvane-*) fails (EIO), so what a
// failed replacement leaves can be tested too.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>

static int Forward(const char* Symbol, const char* Path, int Flags, mode_t Mode) {
  if ((Flags & O_TMPFILE) == O_TMPFILE) {
    errno = EOPNOTSUPP;
    return -1;
  }
  int (*Real)(const char*, int, ...) = (int (*)(const char*, int, ...))dlsym(RTLD_NEXT, Symbol);
  return Real(Path, Flags, Mode);
}

int open(const char* Path, int Flags, ...) {
  va_list Args;
  va_start(Args, Flags);
  const mode_t Mode = (Flags & (O_CREAT | O_TMPFILE)) != 0 ? va_arg(Args, mode_t) : 0;
  va_end(Args);
  return Forward("open", Path, Flags, Mode);
}

int open64(const char* Path, int Flags, ...) {
  va_list Args;
  va_start(Args, Flags);
  const mode_t Mode = (Flags & (O_CREAT | O_TMPFILE)) != 0 ? va_arg(Args, mode_t) : 0;
  va_end(Args);
  return Forward("open64", Path, Flags, Mode);
}

int rename(const char* From, const char* To) {
  if (getenv("CORVANE_TEST_RENAME_FAILS") != NULL && strstr(From, "/.corvane-") != NULL) {
    errno = EIO;
    return -1;
  }
  int (*Real)(const char*, const char*) =
      (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
  return Real(From, To);
}
