#include "modFilePrinting.h"

#include "modFileHandling.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>

bool fncPrintFileTo(const QString& strPath, QPrinter& printer)
{
    QImageReader reader(strPath);
    if (reader.canRead()) {
        const QImage image = reader.read();
        if (image.isNull())
            return false;
        QPainter painter;
        if (!painter.begin(&printer))
            return false;
        const QRect page = painter.viewport();
        const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
        painter.drawImage(QRect(page.topLeft(), size), image);
        return painter.end();
    }
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QTextDocument document;
    document.setPlainText(QString::fromUtf8(file.readAll()));
    document.print(&printer);
    return printer.printerState() != QPrinter::Error && printer.printerState() != QPrinter::Aborted;
}

void subInstallFilePrinter()
{
    subSetFilePrinter([](const QString& strPath) {
        if (QPrinterInfo::defaultPrinter().isNull())
            return false;
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(strPath);
        return fncPrintFileTo(strPath, printer);
    });
}
