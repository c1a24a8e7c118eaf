#pragma once

#include "platform/Printers.h"

#include <QString>

#include <functional>

// Shared measuring helpers for the benchmark programs. Every figure is compared with another
// tool measured in the same run, never with a fixed number.

// Best wall-clock time of repeated runs, in seconds.
double BestSeconds(const std::function<void()>& work, int repeats = 3);

// Seconds of a shell command (best of repeats); negative when it fails.
double CommandSeconds(const QString& command, int repeats = 3);

// Peak resident memory of a shell command, in bytes (via /usr/bin/time); negative on failure.
double CommandPeakBytes(const QString& command);

// Peak resident memory of this process so far, in bytes.
double OwnPeakBytes();

// Plain memory-copy speed on one core, bytes per second.
double MemoryCopyRate();

// One output line: measure, ours, theirs, ratio (ours / theirs), and what is compared.
void Report(const QString& measure, double ours, double theirs, const QString& unit,
            const QString& against);

// Keeps this process on one core, as the targets are stated for one core.
void PinToOneCore();

// One printer with fixed metrics, printing nothing.
class FixedPrinter final : public IPrinterSystem {
public:
    explicit FixedPrinter(const PrinterMetrics& m) : m_metrics(m) {}
    QStringList printerNames() override { return {QStringLiteral("bench")}; }
    int defaultPrinterIndex() override { return 0; }
    int selectedIndex() override { return 0; }
    QString selectedName() override { return QStringLiteral("bench"); }
    PrinterMetrics selectedMetrics() override { return m_metrics; }
    bool showPrintDialog(QWidget*) override { return false; }
    void printOnePage(const QString&, const std::function<void(IPageCanvas&)>&) override {}

private:
    PrinterMetrics m_metrics;
};

// The virtual printer's sheet (A4, 600 dpi) at another resolution.
PrinterMetrics VirtualSheetAt(int dpi);
