#pragma once

#include <QString>

class QPrinter;

// Prints a file on printer: an image scaled to the page, anything else as plain text (UTF-8).
// Returns false when the file cannot be read or the printer refuses.
bool fncPrintFileTo(const QString& strPath, QPrinter& printer);
// Makes subPrintFile print through the system's default printer.
void subInstallFilePrinter();
