#include "JpegWriter.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <cstdio>
#include <vector>

#include <jpeglib.h>
#include <lcms2.h>

namespace JpegWriter {

namespace {

QByteArray saved(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

} // namespace

QByteArray srgbProfile()
{
    return saved(cmsCreate_sRGBProfile());
}

QByteArray adobeRgbProfile()
{
    const cmsCIExyY white = {0.3127, 0.3290, 1.0}; // D65
    const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 563.0 / 256.0);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(gamma);
    return saved(profile);
}

QByteArray exifOrientation(int orientation)
{
    QByteArray block("Exif\0\0", 6);
    // TIFF header ("II", 42, first directory at 8), then one directory of one SHORT entry.
    block.append("II\x2a\0\x08\0\0\0", 8);
    block.append("\x01\0", 2);         // one entry
    block.append("\x12\x01\x03\0", 4); // tag 0x0112, type SHORT
    block.append("\x01\0\0\0", 4);     // one value
    block.append(char(orientation & 0xff));
    block.append(char(orientation >> 8));
    block.append("\0\0", 2);     // value padded to four bytes
    block.append("\0\0\0\0", 4); // no next directory
    return block;
}

bool write(const QImage& source, const QString& path, Kind kind, int quality,
           const Markers& markers)
{
    FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        return false;

    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);

    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    cinfo.image_width = JDIMENSION(rgb.width());
    cinfo.image_height = JDIMENSION(rgb.height());
    int components = 3;
    switch (kind) {
    case Kind::Grayscale:
        cinfo.in_color_space = JCS_GRAYSCALE;
        components = 1;
        break;
    case Kind::Cmyk:
        cinfo.in_color_space = JCS_CMYK;
        components = 4;
        break;
    default:
        cinfo.in_color_space = JCS_RGB;
        break;
    }
    cinfo.input_components = components;
    jpeg_set_defaults(&cinfo);
    if (kind == Kind::Cmyk)
        jpeg_set_colorspace(&cinfo, JCS_YCCK);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (kind == Kind::Progressive)
        jpeg_simple_progression(&cinfo);
    if (kind == Kind::Arithmetic)
        cinfo.arith_code = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    if (markers.orientation != 0) {
        const QByteArray exif = exifOrientation(markers.orientation);
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif.constData()),
                          unsigned(exif.size()));
    }
    if (!markers.exif.isEmpty())
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1,
                          reinterpret_cast<const JOCTET*>(markers.exif.constData()),
                          unsigned(markers.exif.size()));
    if (!markers.iccProfile.isEmpty())
        jpeg_write_icc_profile(&cinfo,
                               reinterpret_cast<const JOCTET*>(markers.iccProfile.constData()),
                               unsigned(markers.iccProfile.size()));

    std::vector<JSAMPLE> row(size_t(rgb.width()) * size_t(components));
    while (cinfo.next_scanline < cinfo.image_height) {
        const uchar* in = rgb.constScanLine(int(cinfo.next_scanline));
        for (int x = 0; x < rgb.width(); ++x) {
            const uchar r = in[3 * x], g = in[3 * x + 1], b = in[3 * x + 2];
            if (kind == Kind::Grayscale) {
                row[size_t(x)] = JSAMPLE((r * 299 + g * 587 + b * 114) / 1000);
            } else if (kind == Kind::Cmyk) {
                // Adobe-style inverted CMYK, as Photoshop writes it.
                const uchar k = std::min({255 - r, 255 - g, 255 - b});
                row[size_t(4 * x)] = JSAMPLE(255 - (255 - r - k));
                row[size_t(4 * x + 1)] = JSAMPLE(255 - (255 - g - k));
                row[size_t(4 * x + 2)] = JSAMPLE(255 - (255 - b - k));
                row[size_t(4 * x + 3)] = JSAMPLE(255 - k);
            } else {
                row[size_t(3 * x)] = r;
                row[size_t(3 * x + 1)] = g;
                row[size_t(3 * x + 2)] = b;
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(file) == 0;
}

QImage photoLike(int width, int height, unsigned seed)
{
    QRandomGenerator random(seed);
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    const int hue = int(random.bounded(360));
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor::fromHsv(hue, 120, 230));
    sky.setColorAt(0.6, QColor::fromHsv((hue + 20) % 360, 60, 255));
    painter.fillRect(image.rect(), sky);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 240, 180));
    const int sun = std::max(8, std::min(width, height) / 8);
    painter.drawEllipse(QPoint(int(random.bounded(width)), height / 5), sun, sun);

    for (int layer = 0; layer < 3; ++layer) {
        QPainterPath hills;
        const int base = height * (55 + 12 * layer) / 100;
        hills.moveTo(0, height);
        for (int x = 0; x <= width; x += std::max(1, width / 12))
            hills.lineTo(x, base - int(random.bounded(std::max(1, height / 6))));
        hills.lineTo(width, height);
        painter.setBrush(QColor::fromHsv((hue + 100 + 15 * layer) % 360, 140, 150 - 35 * layer));
        painter.drawPath(hills);
    }
    painter.end();

    // A little grain, so the files compress like photos rather than like drawings.
    for (int y = 0; y < height; y += 2) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; x += 3) {
            const int n = int(random.bounded(17)) - 8;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255),
                           std::clamp(qBlue(c) + n, 0, 255));
        }
    }
    return image;
}

} // namespace JpegWriter
