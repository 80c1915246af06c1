#include "tandem1.0/Model/Check.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

void modelCheckFailed(const char* condition, const char* source, int line, const char* function) {
    fprintf(stderr, "%s: %s:%d: %s: Assertion `%s' failed.\n", program_invocation_name, source,
            line, function, condition);
    fflush(stderr);
    abort();
}
