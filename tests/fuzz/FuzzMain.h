#pragma once

// What every fuzz target shares: a core application, so that the toolkit's file and text
// services behave as they do in the program, and no debug output per input.
#include <QCoreApplication>

#include <memory>

inline void StartFuzzApplication(int* argc, char*** argv) {
    static std::unique_ptr<QCoreApplication> app;
    qSetMessagePattern(QString());
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    app = std::make_unique<QCoreApplication>(*argc, *argv);
}
