// Check: the model code's fatal limit and index checks.
//
// A failed check writes the C library's assertion report to standard error,
// "<program>: <source>:<line>: <function>: Assertion `<condition>' failed.",
// and aborts. Unlike assert() it stays in release builds: the loader's limits
// guard fixed-size arrays, so skipping them would write out of bounds. The
// condition text is the checked expression itself, so the report always names
// what was really tested. The source is the file's path in the repository,
// given by the `kCheckSource` constant each user defines; the function text is
// passed in, since the reports name fixed signature texts.
//
// A fuzz target must tell a designed stop on bad input from a real fault, so it
// may install a handler that takes the report instead and leaves the checked
// code (by longjmp: it must not return). The program never installs one.
#pragma once

#define MODEL_CHECK(condition, function)                                                           \
    ((condition) ? (void)0 : modelCheckFailed(#condition, kCheckSource, __LINE__, function))

[[noreturn]] void modelCheckFailed(const char* condition, const char* source, int line,
                                   const char* function);

typedef void (*ModelCheckHandler)(const char* condition, const char* source, int line,
                                  const char* function);

// Null restores the report-and-abort.
void setModelCheckHandler(ModelCheckHandler handler);
