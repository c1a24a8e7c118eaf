#pragma once

// What every fuzz target shares: a core application, so that the toolkit's file and text
// services behave as they do in the program, and no debug output per input.
#include <QCoreApplication>

inline void StartFuzzApplication(int* argc, char*** argv) {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // Never destroyed: libFuzzer ends the process with exit(), after the toolkit's own
    // globals are gone, so a destructor run then would touch freed state.
    static QCoreApplication* const app = new QCoreApplication(*argc, *argv);
    Q_UNUSED(app);
}
