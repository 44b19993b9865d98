#pragma once

#include <QtGlobal>

// The loaders report through the debug log; at fuzzing speed that is only noise.
inline void silenceQtMessages()
{
    static const bool done = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        return true;
    }();
    Q_UNUSED(done);
}

// Stops the run with a message libFuzzer keeps next to the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);         \
            abort();                                                                               \
        }                                                                                          \
    } while (0)
