#pragma once

// The system's printers through Qt and CUPS, plus the virtual PDF printer.

#include "platform/Printers.h"

#include <chrono>
#include <functional>

// The queue's own default resolution in dots per inch as CUPS reports it
// ("printer-resolution"), or 0 when CUPS does not know it.
int CupsResolution(const QString& printer);

// The virtual PDF printer "Quillmark PDF", listed after the system's printers.
struct VirtualPrinterSetup {
    bool listed = true;
    // Not empty: each page goes to this folder as "Quillmark page N.pdf", with no question.
    QString folder;
    // Otherwise each page asks for a file name; an empty answer cancels the print.
    std::function<QString()> askFileName;
};

// The system's printers through Qt and CUPS, then the virtual printer when listed. A print
// server that does not answer within answerLimit counts as one with no printers.
std::unique_ptr<IPrinterSystem> createPrinterSystem(const VirtualPrinterSetup& virtualPrinter,
                                                    std::chrono::milliseconds answerLimit);
// The same with the virtual printer listed only when virtualFolder is not empty.
std::unique_ptr<IPrinterSystem> createPrinterSystem(const QString& virtualFolder,
                                                    std::chrono::milliseconds answerLimit);

// The virtual printer as the environment sets it: QUILLMARK_NO_VIRTUAL_PRINTER=1 leaves it
// out, QUILLMARK_VIRTUAL_PRINTER names its folder; otherwise askFileName asks.
VirtualPrinterSetup VirtualPrinterFromEnvironment(std::function<QString()> askFileName);
