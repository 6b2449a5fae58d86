#pragma once

#include <QRgb>
#include <QSize>

#include <cstddef>

class QImage;

// The EXIF Orientation tag (1..8): how the stored pixels turn into the upright picture.
namespace ExifOrientation {

// The tag of an APP1 marker's payload ("Exif\0\0" and a TIFF structure, read by libexif);
// 0 when the marker holds no EXIF, no Orientation in its main directory, or a damaged or
// out-of-range value.
int fromApp1(const unsigned char* data, size_t size);

// Off (the settings key ExifRotation=0), every photo shows as stored. Read by every thread
// that decodes; set once at start-up.
void setEnabled(bool on);
bool enabled();

// Whether the tag turns the picture by a quarter (5..8), so width and height trade places.
inline bool swapsAxes(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}
QSize upright(QSize stored, int orientation);

// Places stored rows [firstRow, firstRow + count) of a picture stored storedSize large into
// `upright` (Format_RGB32, already upright(storedSize, orientation) large). rows[i] holds
// stored row firstRow + i.
void placeRows(int orientation, QSize storedSize, const QRgb* const* rows, int firstRow, int count,
               QImage& upright);

} // namespace ExifOrientation
