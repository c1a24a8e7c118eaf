#pragma once

#include "Printers.h"

#include <chrono>

// The queue's own default resolution in dots per inch as CUPS reports it
// ("printer-resolution"), or 0 when CUPS does not know it.
int CupsResolution(const QString& printer);

// The system's printers through Qt and CUPS, then the virtual PDF printer "Quillmark PDF"
// when virtualFolder is not empty. A print server that does not answer within answerLimit
// counts as one with no printers.
std::unique_ptr<IPrinterSystem> createPrinterSystem(const QString& virtualFolder,
                                                    std::chrono::milliseconds answerLimit);
