#include "tests/common/Fakes.h"

#include <QPainter>

namespace {

class RecordingCanvas final : public IPageCanvas {
public:
    explicit RecordingCanvas(QImage& page) : m_page(page) {}
    void drawImage(int x, int y, const QImage& image) override {
        QPainter p(&m_page);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(x, y, image);
    }

private:
    QImage& m_page;
};

} // namespace

void SimulatedPrinters::printOnePage(const QString& documentName,
                                     const std::function<void(IPageCanvas&)>& draw) {
    // A copy: a test that stopped waiting may end, and take the hook with it, meanwhile.
    if (const auto hook = whilePrinting)
        hook();
    const PrinterMetrics m = selectedMetrics();
    if (failPrint)
        throw PrinterError(QStringLiteral("The printer stopped responding."));
    QImage page(m.pageWidth, m.pageHeight, QImage::Format_RGB32);
    page.fill(Qt::white);
    RecordingCanvas canvas(page);
    draw(canvas);
    pages.push_back(page);
    documentNames << documentName;
}

FakePlatform::FakePlatform() {
    settings = createIniSettingsStore(settingsFile());
    folders.appData = root.filePath(QStringLiteral("data"));
    QDir().mkpath(folders.appData);
    folders.desktop = root.filePath(QStringLiteral("Desktop"));
    printers.printers.push_back({QStringLiteral("Office Laser"), OfficeLaser()});
    services.settings = settings.get();
    services.shell = &shell;
    services.messages = &messages;
    services.system = &system;
    services.folders = &folders;
    services.drives = &drives;
    services.printers = &printers;
    services.files = &files;
    QDir().mkpath(root.filePath(QStringLiteral("bin")));
    services.programFile = root.filePath(QStringLiteral("bin/quillmark"));
}
