#include "output/PhotoPrint.h"

#include <QImage>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

#include "platform/QirvaError.h"

namespace {

// The printer as the user knows it: its queue name, or the file it prints into.
QString printerLabel(const QPrinter& printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat || printer.printerName().isEmpty())
        return printer.outputFileName().isEmpty() ? QStringLiteral("(未設定)")
                                                  : printer.outputFileName();
    return printer.printerName();
}

} // namespace

void StretchToCanvas(QPainter& canvas, const PageRect& rect, const QImage& bitmap)
{
    const bool smooth = canvas.testRenderHint(QPainter::SmoothPixmapTransform);
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
    canvas.drawImage(rect.rect(), bitmap);
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}

void printPhoto(QPrinter& printer, const QImage& photo, const QString& title, bool autoOrientation)
{
    printer.setDocName(title);
    if (autoOrientation)
        printer.setPageOrientation(printOrientation(photo.size()));

    QPainter canvas;
    if (!canvas.begin(&printer))
        throw QirvaError(
            QStringLiteral("プリンタ %1 で印刷を開始できません").arg(printerLabel(printer)));
    // The painter's device is the printable area, in device pixels.
    const PageRect rect =
        FitToPage(printer.width(), printer.height(), photo.width(), photo.height());
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    for (int copy = 0; copy < copies; ++copy) {
        if (copy > 0)
            printer.newPage();
        StretchToCanvas(canvas, rect, photo);
    }
    if (printer.printerState() == QPrinter::Error) {
        printer.abort();
        canvas.end();
        throw QirvaError(
            QStringLiteral("プリンタ %1 で印刷できませんでした").arg(printerLabel(printer)));
    }
    if (!canvas.end())
        throw QirvaError(
            QStringLiteral("プリンタ %1 で印刷できませんでした").arg(printerLabel(printer)));
}
