#include "tandem1.0/Model/Check.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {
ModelCheckHandler handler = nullptr;
} // namespace

void setModelCheckHandler(ModelCheckHandler replacement) {
    handler = replacement;
}

void modelCheckFailed(const char* condition, const char* source, int line, const char* function) {
    // A handler that returned would let the checked code run on past its limit.
    if (handler) handler(condition, source, line, function);
    fprintf(stderr, "%s: %s:%d: %s: Assertion `%s' failed.\n", program_invocation_name, source,
            line, function, condition);
    fflush(stderr);
    abort();
}
