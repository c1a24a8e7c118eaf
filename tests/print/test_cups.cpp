// Printing through Qt and a private CUPS server with test queues (scripts/cups-test-server.sh,
// started by scripts/run-tests.sh when it runs as root). Without that server these tests skip.
#include "platform/HostPrinters.h"
#include "tests/common/PrintTestUtil.h"
#include "print/U_PageCompose.h"
#include "print/U_WPrint.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPrintDialog>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QString output(const QString& queue) {
    return CupsTestDir() + QStringLiteral("/out/") + queue + QStringLiteral(".pdf");
}

// Waits until the queue has no pending job and its file holds the job's output.
bool waitForJob(const QString& queue) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 60000) {
        bool ok = false;
        const QByteArray pending =
            RunTool(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue}, &ok);
        if (ok && pending.trimmed().isEmpty() && QFileInfo(output(queue)).size() > 0)
            return true;
        QThread::msleep(50);
    }
    return false;
}

class Cups : public ::testing::Test {
protected:
    void SetUp() override {
        if (CupsTestDir().isEmpty())
            GTEST_SKIP() << "No private CUPS server: scripts/run-tests.sh starts one when it "
                            "runs as root (QM_CUPS_TEST_DIR is not set).";
        qunsetenv("LPDEST");
        qunsetenv("PRINTER");
    }
    // A printer system whose default printer is queue ("" for the server's default).
    std::unique_ptr<IPrinterSystem> printersWithDefault(const QString& queue = QString()) {
        if (!queue.isEmpty())
            qputenv("LPDEST", queue.toUtf8());
        return createPrinterSystem(QString(), std::chrono::seconds(20));
    }
};

// A test's name after its queue's, "-" being no letter of a name.
const auto QueueName = [](const auto& info) {
    std::string name = info.param.queue;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
};

} // namespace

TEST_F(Cups, ListsTheQueuesInCupsOrderAndSelectsTheDefault) {
    auto printers = printersWithDefault();
    const QStringList names = printers->printerNames();
    ASSERT_EQ(names, QStringList({"qm-a4-1200", "qm-a4-600", "qm-letter-300"}));
    EXPECT_EQ(printers->defaultPrinterIndex(), 1);
    EXPECT_EQ(printers->selectedIndex(), 1);
    EXPECT_EQ(printers->selectedName(), QStringLiteral("qm-a4-600"));
}

TEST_F(Cups, VirtualPrinterComesAfterTheSystemPrinters) {
    QTemporaryDir folder;
    auto printers = createPrinterSystem(folder.path(), std::chrono::seconds(20));
    const QStringList names = printers->printerNames();
    ASSERT_EQ(names.size(), 4);
    EXPECT_EQ(names.last(), QStringLiteral("Quillmark PDF"));
    // The system has a default, so the virtual printer is not selected.
    EXPECT_EQ(printers->selectedName(), QStringLiteral("qm-a4-600"));
}

struct QueueCase {
    const char* queue;
    PrinterMetrics expected;
};
void PrintTo(const QueueCase& c, std::ostream* out) {
    *out << c.queue;
}

class CupsQueues : public Cups, public ::testing::WithParamInterface<QueueCase> {};

// The queue's own resolution, default paper and hardware margins, not Qt's 1200 dpi, A4
// and 10 pt.
TEST_P(CupsQueues, MetricsComeFromTheQueue) {
    auto printers = printersWithDefault(QString::fromLatin1(GetParam().queue));
    ASSERT_EQ(printers->selectedName(), QString::fromLatin1(GetParam().queue));
    EXPECT_EQ(CupsResolution(printers->selectedName()), GetParam().expected.dpiX);
    const PrinterMetrics m = printers->selectedMetrics();
    const PrinterMetrics& e = GetParam().expected;
    EXPECT_EQ(m.dpiX, e.dpiX);
    EXPECT_EQ(m.dpiY, e.dpiY);
    EXPECT_EQ(m.pageWidth, e.pageWidth);
    EXPECT_EQ(m.pageHeight, e.pageHeight);
    EXPECT_EQ(m.offsetX, e.offsetX);
    EXPECT_EQ(m.offsetY, e.offsetY);
}

// A4 is 595 × 842 pt and Letter 612 × 792 pt in the test PPDs, margins 12 pt all round on
// A4 and 18 pt at the sides, 30 pt at top and bottom on Letter; Qt rounds the printable size
// to whole device pixels.
INSTANTIATE_TEST_SUITE_P(
    Queues, CupsQueues,
    ::testing::Values(QueueCase{"qm-a4-600", {600, 600, 4758, 6817, 100, 100}},
                      QueueCase{"qm-letter-300", {300, 300, 2400, 3050, 75, 125}},
                      QueueCase{"qm-a4-1200", {1200, 1200, 9517, 13633, 200, 200}}),
    QueueName);

// Seven 35 × 45 mm photos printed on a queue; where they must land is worked out by hand from
// the queue's metrics and the layout rules.
struct PrintCase {
    const char* queue;
    int dpi;
    QPoint margin; // paper edge to printable area, in device pixels
    QSize cell;
    QPoint eighth; // the first grid position left empty
};
void PrintTo(const PrintCase& c, std::ostream* out) {
    *out << c.queue;
}

class CupsPrint : public Cups, public ::testing::WithParamInterface<PrintCase> {};

TEST_P(CupsPrint, OnePageWithThePhotosAtTheirDevicePixels) {
    const PrintCase& c = GetParam();
    const QString queue = QString::fromLatin1(c.queue);
    auto printers = printersWithDefault(queue);
    QFile::remove(output(queue));
    TIDPrinter engine(*printers);
    ASSERT_EQ(engine.Photo.size(), c.cell);
    engine.Photo = QuadrantPicture(c.cell.width(), c.cell.height());
    engine.Copies = 7;
    engine.PrintPage();
    ASSERT_TRUE(waitForJob(queue));

    const QString pdf = output(queue);
    EXPECT_EQ(PdfPageCount(pdf), 1);
    const auto images = ListPdfImages(pdf);
    ASSERT_FALSE(images.empty());
    for (const auto& image : images) {
        EXPECT_EQ(image.width, c.cell.width());
        EXPECT_EQ(image.height, c.cell.height());
        EXPECT_EQ(image.xppi, c.dpi);
        EXPECT_EQ(image.yppi, c.dpi);
        EXPECT_NE(image.encoding, QStringLiteral("jpeg"))
            << "images must reach the printer unaltered";
    }

    // Rendered at the printer's resolution, the page's device (0, 0) lies at the margin.
    const QImage page = RenderPdf(pdf, c.dpi);
    ASSERT_FALSE(page.isNull());
    const auto positions = engine.Positions();
    ASSERT_EQ(positions.size(), 7u);
    const QPoint last(c.cell.width() - 1, c.cell.height() - 1);
    const QPoint topLeft(c.cell.width() / 4, c.cell.height() / 4);
    for (const QPoint& p : positions) {
        const QPoint at = p + c.margin;
        EXPECT_EQ(page.pixel(at), qRgb(0, 0, 0)) << "frame corner at " << at.x() << "," << at.y();
        EXPECT_EQ(page.pixel(at + last), qRgb(0, 0, 0));
        EXPECT_EQ(page.pixel(at + QPoint(-1, 5)), qRgb(255, 255, 255));
        EXPECT_EQ(page.pixel(at + QPoint(5, -1)), qRgb(255, 255, 255));
        EXPECT_EQ(page.pixel(at + QPoint(c.cell.width(), 5)), qRgb(255, 255, 255));
        EXPECT_EQ(page.pixel(at + topLeft), qRgb(200, 30, 30));
        EXPECT_EQ(page.pixel(at + last - topLeft), qRgb(230, 200, 20));
    }
    EXPECT_EQ(page.pixel(c.eighth + c.margin + topLeft), qRgb(255, 255, 255));
}

// qm-a4-600: area 4558 × 6617, 5 columns of 826 with gaps of 107, 6 rows of 1062 with gaps
// of 49. qm-letter-300: area 2250 × 2800, 5 columns of 413 with gaps of 46, 5 rows of 531
// with gaps of 36; the margins differ, 75 at the left and 125 at the top.
INSTANTIATE_TEST_SUITE_P(
    Queues, CupsPrint,
    ::testing::Values(PrintCase{"qm-a4-600", 600, {100, 100}, {826, 1062}, {1966, 1211}},
                      PrintCase{"qm-letter-300", 300, {75, 125}, {413, 531}, {993, 692}}),
    QueueName);

TEST_F(Cups, APrinterRemovedAfterSelectionGivesAClearError) {
    const QString queue = QStringLiteral("qm-gone");
    ASSERT_TRUE(AddDiscardingQueue(queue));
    bool ok = false;
    auto printers = printersWithDefault(queue);
    ASSERT_EQ(printers->selectedName(), queue);
    TIDPrinter engine(*printers);
    RunTool(QStringLiteral("lpadmin"), {QStringLiteral("-x"), queue}, &ok);
    ASSERT_TRUE(ok);
    engine.Copies = 1;
    try {
        engine.PrintPage();
        FAIL() << "printing on a removed printer must fail";
    } catch (const PrinterError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("no longer available"))) << e.what();
    }
}

TEST_F(Cups, PrintDialogHidesPrintToFileAndPageRanges) {
    auto printers = printersWithDefault();
    bool checked = false;
    QTimer::singleShot(200, [&] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        if (dialog) {
            checked = !dialog->testOption(QPrintDialog::PrintToFile) &&
                      !dialog->testOption(QPrintDialog::PrintPageRange) &&
                      !dialog->testOption(QPrintDialog::PrintSelection);
            dialog->reject();
        }
    });
    EXPECT_FALSE(printers->showPrintDialog(nullptr));
    EXPECT_TRUE(checked);
    EXPECT_EQ(printers->selectedName(), QStringLiteral("qm-a4-600"));
}

// A server that takes the connection and never answers must not freeze the program: its
// printers count as none. It needs no CUPS at all.
TEST(CupsSilent, AServerThatNeverAnswersMeansNoPrinters) {
    QTemporaryDir dir;
    const QByteArray socket = dir.filePath(QStringLiteral("cups.sock")).toUtf8();
    const int silent = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(silent, 8), 0);
    const QByteArray before = qgetenv("CUPS_SERVER");
    qputenv("CUPS_SERVER", socket);
    auto printers = createPrinterSystem(QString(), std::chrono::milliseconds(300));
    EXPECT_TRUE(printers->printerNames().isEmpty());
    EXPECT_EQ(printers->defaultPrinterIndex(), -1);
    EXPECT_THROW(printers->selectedMetrics(), PrinterError);
    qputenv("CUPS_SERVER", before);
    ::close(silent);
}
