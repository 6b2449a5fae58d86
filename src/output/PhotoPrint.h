#pragma once

#include <QString>

#include "output/PrintGeometry.h"

class QImage;
class QPainter;
class QPrinter;

// Prints a photo on one page: the whole picture, fitted to the printable area.

// Draws the whole bitmap into the rectangle, without smoothing.
void StretchToCanvas(QPainter& canvas, const PageRect& rect, const QImage& bitmap);

// One page on the printer as it is set up, once for each copy asked for: a printer that cannot
// make the copies itself (a PDF file) gets one page per copy. With autoOrientation the paper
// turns to the photo's shape first. When the document cannot begin or the page cannot be
// drawn, the document is aborted and a QirvaError naming the printer is thrown.
void printPhoto(QPrinter& printer, const QImage& photo, const QString& title, bool autoOrientation);
