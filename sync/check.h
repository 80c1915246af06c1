// Internal checks of the sync code that stay on in every build type: a failed
// check writes an assertion-style report to stderr and aborts. Not part of the
// library's interface.
#pragma once

[[noreturn]] void sync_check_failed(const char* condition, const char* source, int line,
                                    const char* function);

// kSyncSource names the file in reports; each source file that checks defines it.
#define SYNC_CHECK(condition)                                                                      \
    ((condition) ? (void)0 : sync_check_failed(#condition, kSyncSource, __LINE__, __func__))
