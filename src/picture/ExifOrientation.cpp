#include "picture/ExifOrientation.h"

#include <QImage>

#include <algorithm>
#include <atomic>
#include <cstring>

#include <libexif/exif-data.h>

namespace ExifOrientation {

namespace {

std::atomic<bool> applyTag{true};

} // namespace

int fromApp1(const unsigned char* data, size_t size)
{
    if (size < 6 || std::memcmp(data, "Exif\0\0", 6) != 0)
        return 0;
    ExifData* exif = exif_data_new();
    if (!exif)
        return 0;
    // Read only: libexif must not add the entries it thinks mandatory (its default option
    // 1 << 1 does, on load), nor touch maker notes.
    constexpr auto addMandatoryEntries = ExifDataOption(1 << 1);
    exif_data_unset_option(exif, addMandatoryEntries);
    exif_data_set_option(exif, EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
    exif_data_load_data(exif, data, unsigned(std::min<size_t>(size, 0xFFFF)));
    int orientation = 0;
    if (ExifEntry* entry = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
        entry && entry->format == EXIF_FORMAT_SHORT && entry->components >= 1 && entry->data &&
        entry->size >= 2) {
        const int value = exif_get_short(entry->data, exif_data_get_byte_order(exif));
        if (value >= 1 && value <= 8)
            orientation = value;
    }
    exif_data_unref(exif);
    return orientation;
}

void setEnabled(bool on)
{
    applyTag.store(on, std::memory_order_relaxed);
}

bool enabled()
{
    return applyTag.load(std::memory_order_relaxed);
}

QSize upright(QSize stored, int orientation)
{
    return swapsAxes(orientation) ? stored.transposed() : stored;
}

void placeRows(int orientation, QSize storedSize, const QRgb* const* rows, int firstRow, int count,
               QImage& upright)
{
    const int w = storedSize.width();
    const int h = storedSize.height();
    const qsizetype line = upright.bytesPerLine() / qsizetype(sizeof(QRgb));
    QRgb* const bits = reinterpret_cast<QRgb*>(upright.bits());
    if (!swapsAxes(orientation)) {
        // A stored row stays a row: down or up the picture, forwards or mirrored.
        const bool mirrored = orientation == 2 || orientation == 3;
        const bool upsideDown = orientation == 3 || orientation == 4;
        for (int i = 0; i < count; ++i) {
            const int y = firstRow + i;
            QRgb* out = bits + qsizetype(upsideDown ? h - 1 - y : y) * line;
            if (mirrored)
                std::reverse_copy(rows[i], rows[i] + w, out);
            else
                std::copy(rows[i], rows[i] + w, out);
        }
        return;
    }
    // A stored row becomes a column: stored (x, y) lands at upright column ux(y), row uy(x).
    // 5: (y, x)   6: (h-1-y, x)   7: (h-1-y, w-1-x)   8: (y, w-1-x)
    const bool columnsFromRight = orientation == 6 || orientation == 7;
    const bool rowsFromBottom = orientation == 7 || orientation == 8;
    // Blocks of stored columns, so the rows of the strip stay in the cache while each upright
    // row gets `count` neighbouring pixels at a time.
    constexpr int block = 64;
    for (int x0 = 0; x0 < w; x0 += block) {
        const int x1 = std::min(w, x0 + block);
        for (int x = x0; x < x1; ++x) {
            QRgb* out = bits + qsizetype(rowsFromBottom ? w - 1 - x : x) * line;
            if (columnsFromRight) {
                QRgb* column = out + (h - 1 - firstRow);
                for (int i = 0; i < count; ++i)
                    column[-i] = rows[i][x];
            } else {
                QRgb* column = out + firstRow;
                for (int i = 0; i < count; ++i)
                    column[i] = rows[i][x];
            }
        }
    }
}

} // namespace ExifOrientation
