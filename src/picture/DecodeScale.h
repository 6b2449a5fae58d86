#pragma once

#include <QSize>

// libjpeg decodes at M/8 of the natural size (M = 1..8) for little more than the cost of
// reading the file; a picture drawn small needs no more than the scale that still covers it.
namespace DecodeScale {

// The smallest M whose result covers `cover` in both directions; 8 (full size) when nothing
// smaller does or when `cover` is not a real size.
int eighthsToCover(QSize natural, QSize cover);
// The size libjpeg gives at M/8: each side rounded up.
QSize scaled(QSize natural, int eighths);

} // namespace DecodeScale
