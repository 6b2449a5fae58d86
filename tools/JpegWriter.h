#pragma once

#include <QImage>
#include <QString>

// Writes JPEG files with libjpeg for the demo library, the tests and the benchmarks.
namespace JpegWriter {

enum class Kind { Baseline, Progressive, Grayscale, Cmyk, Arithmetic };

// What a file may say about its pixels besides them, as cameras and editors write it.
struct Markers
{
    int orientation = 0;   // the EXIF Orientation tag, 1..8; 0 writes no EXIF block
    QByteArray exif;       // an APP1 payload written as given (after the orientation's, if any)
    QByteArray iccProfile; // embedded in APP2 markers
};

// Returns false when the file cannot be written.
bool write(const QImage& image, const QString& path, Kind kind = Kind::Baseline, int quality = 85,
           const Markers& markers = {});

// ICC profiles built by Little CMS: sRGB, and one like Adobe RGB (1998) (its primaries, D65
// white, gamma 563/256).
QByteArray srgbProfile();
QByteArray adobeRgbProfile();

// The APP1 payload of a minimal EXIF block (little-endian TIFF) holding one Orientation tag.
QByteArray exifOrientation(int orientation);

// A photo-like picture (sky, hills, sun, a little noise), different for each seed.
QImage photoLike(int width, int height, unsigned seed);

} // namespace JpegWriter
