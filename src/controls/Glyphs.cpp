#include "controls/Glyphs.h"

#include <QBitmap>
#include <QImage>

// The artwork is compiled into a static library, where nothing would pull it into the
// program; naming its initialiser here links it in wherever a glyph is used.
static void registerArtwork()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(qirva);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace Glyphs {

namespace {

const QRgb ShadowGrey = qRgb(0x80, 0x80, 0x80);
const QRgb HighlightWhite = qRgb(0xFF, 0xFF, 0xFF);

// Below this grey level a pixel belongs to the embossed shape: outlines, dark fills and
// saturated colours stay, while yellow, sky blue, silver and white fall away as on a
// classic disabled button.
constexpr int DarkLevel = 160;

bool isDark(QRgb pixel)
{
    return qAlpha(pixel) >= 128 && qGray(pixel) < DarkLevel;
}

} // namespace

QIcon toolIcon(int index)
{
    if (index < 0 || index >= ToolGlyphCount)
        return {};
    registerArtwork();
    const QString name = QStringLiteral("tool-%1").arg(index, 2, 10, QLatin1Char('0'));
    const QPixmap glyph(QStringLiteral(":/glyphs/%1.xpm").arg(name));
    const QPixmap twice(QStringLiteral(":/glyphs/2x/%1.png").arg(name));
    QIcon icon;
    icon.addPixmap(glyph, QIcon::Normal);
    icon.addPixmap(twice, QIcon::Normal);
    icon.addPixmap(disabledForm(glyph), QIcon::Disabled);
    icon.addPixmap(disabledForm(twice, 2), QIcon::Disabled);
    return icon;
}

QPixmap disabledForm(const QPixmap& glyph, int shift)
{
    if (glyph.isNull())
        return {};
    const QImage source = glyph.toImage().convertToFormat(QImage::Format_ARGB32);
    QImage result(source.size(), QImage::Format_ARGB32);
    result.fill(Qt::transparent);
    const int width = source.width();
    const int height = source.height();
    // The white copy first, then the grey shape over it, so grey wins where they meet.
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (isDark(source.pixel(x, y)) && x + shift < width && y + shift < height)
                result.setPixel(x + shift, y + shift, HighlightWhite);
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (isDark(source.pixel(x, y)))
                result.setPixel(x, y, ShadowGrey);
        }
    }
    return QPixmap::fromImage(result);
}

QIcon treeIcon(int index)
{
    registerArtwork();
    const QString name = index == TreeAlbumGlyph   ? QStringLiteral("tree-album")
                         : index == TreePhotoGlyph ? QStringLiteral("tree-photo")
                                                   : QString();
    if (name.isEmpty())
        return {};
    QIcon icon;
    icon.addFile(QStringLiteral(":/glyphs/%1.xpm").arg(name), QSize(16, 16));
    icon.addFile(QStringLiteral(":/glyphs/2x/%1.png").arg(name), QSize(32, 32));
    return icon;
}

QIcon programIcon()
{
    registerArtwork();
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/icons/qirva-%1.xpm").arg(size), QSize(size, size));
    return icon;
}

QIcon ellipsisIcon()
{
    registerArtwork();
    const QPixmap glyph(QStringLiteral(":/glyphs/ellipsis15.xpm"));
    QIcon icon;
    icon.addPixmap(glyph, QIcon::Normal);
    icon.addPixmap(disabledForm(glyph), QIcon::Disabled);
    return icon;
}

QCursor handCursor()
{
    registerArtwork();
    // Split the artwork into a true two-colour cursor: black outline, white fill, the rest
    // see-through.
    const QImage art =
        QImage(QStringLiteral(":/cursors/hand1.xpm")).convertToFormat(QImage::Format_ARGB32);
    QImage bits(art.size(), QImage::Format_RGB32);
    QImage mask(art.size(), QImage::Format_RGB32);
    for (int y = 0; y < art.height(); ++y) {
        for (int x = 0; x < art.width(); ++x) {
            const QRgb pixel = art.pixel(x, y);
            const bool opaque = qAlpha(pixel) >= 128;
            bits.setPixel(x, y, opaque && qGray(pixel) < 128 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
            mask.setPixel(x, y, opaque ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    }
    return QCursor(QBitmap::fromImage(bits, Qt::MonoOnly | Qt::ThresholdDither),
                   QBitmap::fromImage(mask, Qt::MonoOnly | Qt::ThresholdDither), 0, 0);
}

} // namespace Glyphs
