#include "bench/BenchUtil.h"

#include "platform/VirtualPdfPrinter.h"

#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>
#include <cstring>
#include <sched.h>
#include <sys/resource.h>
#include <vector>

double BestSeconds(const std::function<void()>& work, int repeats) {
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

double CommandSeconds(const QString& command, int repeats) {
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        const int rc = QProcess::execute(QStringLiteral("taskset"),
                                         {QStringLiteral("-c"), QStringLiteral("0"),
                                          QStringLiteral("sh"), QStringLiteral("-c"), command});
        if (rc != 0)
            return -1;
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

double CommandPeakBytes(const QString& command) {
    QProcess process;
    process.start(QStringLiteral("/usr/bin/time"),
                  {QStringLiteral("-f"), QStringLiteral("%M"), QStringLiteral("sh"),
                   QStringLiteral("-c"), command});
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        return -1;
    const QList<QByteArray> lines = process.readAllStandardError().trimmed().split('\n');
    return lines.isEmpty() ? -1 : lines.last().trimmed().toDouble() * 1024.0;
}

double OwnPeakBytes() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) * 1024.0;
}

double MemoryCopyRate() {
    const size_t size = size_t(256) << 20;
    std::vector<char> from(size, 1), to(size, 0);
    const double seconds = BestSeconds([&] { std::memcpy(to.data(), from.data(), size); }, 5);
    return double(size) / seconds;
}

void Report(const QString& measure, double ours, double theirs, const QString& unit,
            const QString& against) {
    const double ratio = theirs > 0 ? ours / theirs : 0;
    std::printf("%-58s ours %10.4f %-4s theirs %10.4f %-4s ratio %6.3f  (vs %s)\n",
                measure.toUtf8().constData(), ours, unit.toUtf8().constData(), theirs,
                unit.toUtf8().constData(), ratio, against.toUtf8().constData());
    std::fflush(stdout);
}

void PinToOneCore() {
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(0, &set);
    sched_setaffinity(0, sizeof set, &set);
}

PrinterMetrics VirtualSheetAt(int dpi) {
    const PrinterMetrics m = VirtualPrinterMetrics();
    const int k = dpi / m.dpiX;
    return PrinterMetrics{dpi,           dpi,          m.pageWidth * k, m.pageHeight * k,
                          m.offsetX * k, m.offsetY * k};
}
