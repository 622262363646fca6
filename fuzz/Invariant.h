#pragma once
// What a fuzz target does when an invariant breaks: print what and why, then abort, so that
// libFuzzer keeps the input as a reproducer.

#include <QString>
#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void invariantFailed(const char* what, const QString& detail) {
    std::fprintf(stderr, "INVARIANT FAILED: %s\n  %s\n", what, detail.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

#define CHECK(cond, detail)                            \
    do {                                               \
        if (!(cond)) invariantFailed(#cond, (detail)); \
    } while (false)
