#pragma once

#include <QImage>
#include <QString>

// Writes JPEG files with libjpeg for the demo library, the tests and the benchmarks.
namespace JpegWriter {

enum class Kind { Baseline, Progressive, Grayscale, Cmyk, Arithmetic };

// Returns false when the file cannot be written.
bool write(const QImage& image, const QString& path, Kind kind = Kind::Baseline,
           int quality = 85);

// A photo-like picture (sky, hills, sun, a little noise), different for each seed.
QImage photoLike(int width, int height, unsigned seed);

} // namespace JpegWriter
