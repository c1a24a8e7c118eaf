// Print jobs on the private CUPS server, sent from a worker as Print Now sends them: the job
// carries its name, and a queue that refuses jobs gives an error instead of a silent loss.
#include "platform/HostPrinters.h"
#include "tests/common/PrintTestUtil.h"
#include "support/U_BackgroundWork.h"

#include <gtest/gtest.h>

#include <cups/cups.h>

namespace {

// A queue of its own, discarding its output, removed again at the end.
class CupsQueue : public ::testing::Test {
protected:
    void SetUp() override {
        if (CupsTestDir().isEmpty())
            GTEST_SKIP() << "No private CUPS server (QM_CUPS_TEST_DIR is not set).";
        ASSERT_TRUE(AddDiscardingQueue(queue));
        added = true;
        qputenv("LPDEST", queue.toUtf8());
        printers = createPrinterSystem(QString(), std::chrono::seconds(20));
        ASSERT_EQ(printers->selectedName(), queue);
    }
    void TearDown() override {
        qunsetenv("LPDEST");
        if (added)
            RunTool(QStringLiteral("lpadmin"), {QStringLiteral("-x"), queue});
    }
    void printFromWorker(const QString& name) {
        IPrinterSystem* system = printers.get();
        RunInBackground(
            [system, name] {
                system->printOnePage(name, [](IPageCanvas& canvas) {
                    QImage dot(40, 30, QImage::Format_RGB32);
                    dot.fill(qRgb(20, 120, 220));
                    canvas.drawImage(300, 200, dot);
                });
            },
            std::chrono::seconds(60));
    }
    const QString queue = QStringLiteral("qm-jobs");
    bool added = false;
    std::unique_ptr<IPrinterSystem> printers;
};

TEST_F(CupsQueue, TheJobCarriesTheDocumentName) {
    printFromWorker(QStringLiteral("Quillmark - 2 x 2 in (Peru)"));
    cups_job_t* jobs = nullptr;
    const QByteArray name = queue.toUtf8();
    const int count =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, name.constData(), 0, CUPS_WHICHJOBS_ALL);
    ASSERT_EQ(count, 1);
    EXPECT_STREQ(jobs[0].title, "Quillmark - 2 x 2 in (Peru)");
    cupsFreeJobs(count, jobs);
}

TEST_F(CupsQueue, AQueueThatRefusesJobsGivesAnError) {
    bool ok = false;
    RunTool(QStringLiteral("cupsreject"), {queue}, &ok);
    ASSERT_TRUE(ok);
    try {
        printFromWorker(QStringLiteral("Quillmark - 35 x 45 mm (France)"));
        FAIL() << "a refused job must not count as printed";
    } catch (const PrinterError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("did not take the page"))) << e.what();
    }
}

} // namespace
