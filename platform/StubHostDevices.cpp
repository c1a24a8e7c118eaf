// Placeholders until the real printer and drive layers land.
#include "Printers.h"
#include "RemovableDrives.h"

namespace {

class NoPrinters final : public IPrinterSystem {
public:
    QStringList printerNames() override { return {}; }
    int defaultPrinterIndex() override { return -1; }
    int selectedIndex() override { return -1; }
    QString selectedName() override { return {}; }
    PrinterMetrics selectedMetrics() override { throw PrinterError(QStringLiteral("No printer")); }
    bool showPrintDialog(QWidget*) override { return false; }
    void printOnePage(const std::function<void(IPageCanvas&)>&) override {
        throw PrinterError(QStringLiteral("No printer"));
    }
};

class NoDrives final : public IRemovableDrives {
public:
    std::vector<RemovableDrive> list() override { return {}; }
};

} // namespace

std::unique_ptr<IPrinterSystem> createHostPrinterSystem() {
    return std::make_unique<NoPrinters>();
}

std::unique_ptr<IRemovableDrives> createHostRemovableDrives() {
    return std::make_unique<NoDrives>();
}
