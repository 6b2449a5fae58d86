#include <QBitmap>
#include <QImage>
#include <QTest>

#include <vector>

#include "controls/Glyphs.h"

namespace {

bool onlyGreyWhiteOrClear(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 0)
                continue;
            if (pixel != qRgb(0x80, 0x80, 0x80) && pixel != qRgb(0xFF, 0xFF, 0xFF))
                return false;
        }
    }
    return true;
}

int countOf(const QImage& image, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == colour ? 1 : 0;
    return count;
}

QImage argb(const QPixmap& pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestGlyphs : public QObject
{
    Q_OBJECT

private slots:
    void everyToolGlyphIsSixteenSquareInBothModes()
    {
        for (int index = 0; index < Glyphs::ToolGlyphCount; ++index) {
            const QIcon icon = Glyphs::toolIcon(index);
            QVERIFY2(!icon.isNull(), qPrintable(QString::number(index)));
            QVERIFY(icon.availableSizes(QIcon::Normal).contains(QSize(16, 16)));
            QVERIFY(icon.availableSizes(QIcon::Disabled).contains(QSize(16, 16)));
            const QPixmap normal = icon.pixmap(QSize(16, 16), QIcon::Normal);
            QCOMPARE(normal.size(), QSize(16, 16));
        }
    }

    void disabledModeIsTheGreyEmbossedFormOfTheGlyph()
    {
        for (int index = 0; index < Glyphs::ToolGlyphCount; ++index) {
            const QIcon icon = Glyphs::toolIcon(index);
            const QImage normal = argb(icon.pixmap(QSize(16, 16), QIcon::Normal));
            const QImage disabled = argb(icon.pixmap(QSize(16, 16), QIcon::Disabled));
            QCOMPARE(disabled.size(), QSize(16, 16));
            QCOMPARE(disabled, argb(Glyphs::disabledForm(QPixmap::fromImage(normal))));
            QVERIFY2(onlyGreyWhiteOrClear(disabled), qPrintable(QString::number(index)));
            QVERIFY(disabled != normal);
            QVERIFY(countOf(disabled, qRgb(0x80, 0x80, 0x80)) > 0);
            QVERIFY(countOf(disabled, qRgb(0xFF, 0xFF, 0xFF)) > 0);
        }
    }

    void embossKeepsDarkPixelsAndDropsLightOnes()
    {
        QImage glyph(4, 4, QImage::Format_ARGB32);
        glyph.fill(Qt::transparent);
        glyph.setPixel(1, 1, qRgb(0, 0, 0));       // outline: shadow, highlight below right
        glyph.setPixel(3, 0, qRgb(0, 0, 0x80));    // dark at the edge: its highlight falls off
        glyph.setPixel(0, 3, qRgb(0xFF, 0xFF, 0)); // yellow fill: dropped
        glyph.setPixel(2, 2, qRgb(0xFF, 0xFF, 0xFF));

        const QImage form = argb(Glyphs::disabledForm(QPixmap::fromImage(glyph)));
        QCOMPARE(form.size(), QSize(4, 4));
        QCOMPARE(form.pixel(1, 1), qRgb(0x80, 0x80, 0x80));
        QCOMPARE(form.pixel(2, 2), qRgb(0xFF, 0xFF, 0xFF));
        QCOMPARE(form.pixel(3, 0), qRgb(0x80, 0x80, 0x80));
        QCOMPARE(countOf(form, qRgb(0x80, 0x80, 0x80)), 2);
        QCOMPARE(countOf(form, qRgb(0xFF, 0xFF, 0xFF)), 1);
        QCOMPARE(qAlpha(form.pixel(0, 3)), 0);
    }

    void shadowCoversTheHighlightWhereTheyMeet()
    {
        QImage glyph(3, 3, QImage::Format_ARGB32);
        glyph.fill(Qt::transparent);
        glyph.setPixel(0, 0, qRgb(0, 0, 0));
        glyph.setPixel(1, 1, qRgb(0, 0, 0));

        const QImage form = argb(Glyphs::disabledForm(QPixmap::fromImage(glyph)));
        QCOMPARE(form.pixel(1, 1), qRgb(0x80, 0x80, 0x80));
        QCOMPARE(form.pixel(2, 2), qRgb(0xFF, 0xFF, 0xFF));
    }

    void unknownIndexesAndEmptyGlyphsGiveNothing()
    {
        QVERIFY(Glyphs::toolIcon(-1).isNull());
        QVERIFY(Glyphs::toolIcon(Glyphs::ToolGlyphCount).isNull());
        QVERIFY(Glyphs::treeIcon(2).isNull());
        QVERIFY(Glyphs::disabledForm(QPixmap()).isNull());
    }

    void treeGlyphsAreSixteenSquare()
    {
        for (int index : {Glyphs::TreeAlbumGlyph, Glyphs::TreePhotoGlyph}) {
            const QIcon icon = Glyphs::treeIcon(index);
            QVERIFY(!icon.isNull());
            QCOMPARE(icon.pixmap(QSize(16, 16)).size(), QSize(16, 16));
        }
        QVERIFY(argb(Glyphs::treeIcon(0).pixmap(16, 16)) !=
                argb(Glyphs::treeIcon(1).pixmap(16, 16)));
    }

    void everyGlyphHasItsOwnDrawingAtTwiceTheSize()
    {
        std::vector<QIcon> icons;
        for (int index = 0; index < Glyphs::ToolGlyphCount; ++index)
            icons.push_back(Glyphs::toolIcon(index));
        icons.push_back(Glyphs::treeIcon(Glyphs::TreeAlbumGlyph));
        icons.push_back(Glyphs::treeIcon(Glyphs::TreePhotoGlyph));
        for (const QIcon& icon : icons) {
            // On a screen scaled to 200% a 16-pixel glyph is asked for at device ratio 2.
            const QImage twice = argb(icon.pixmap(QSize(16, 16), 2.0));
            QCOMPARE(twice.size(), QSize(32, 32));
            const QImage doubled = argb(icon.pixmap(QSize(16, 16), 1.0)).scaled(32, 32);
            QVERIFY(twice != doubled);
        }
        for (int index = 0; index < Glyphs::ToolGlyphCount; ++index) {
            const QIcon& icon = icons[size_t(index)];
            const QImage disabled = argb(icon.pixmap(QSize(16, 16), 2.0, QIcon::Disabled));
            const QPixmap normal = icon.pixmap(QSize(16, 16), 2.0, QIcon::Normal);
            QImage expected = argb(Glyphs::disabledForm(normal, 2));
            expected.setDevicePixelRatio(2.0);
            QCOMPARE(disabled, expected);
        }
    }

    void handCursorIsAThirtyTwoSquareBitmapWithHotSpotTopLeft()
    {
        const QCursor cursor = Glyphs::handCursor();
        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.hotSpot(), QPoint(0, 0));
        const QImage bits = cursor.bitmap().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage mask = cursor.mask().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(bits.size(), QSize(32, 32));
        QCOMPARE(mask.size(), QSize(32, 32));

        // Black outline and white fill are both shown; every black pixel lies inside the mask.
        const QRgb set = qRgb(0, 0, 0);
        int black = 0;
        int white = 0;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                if (mask.pixel(x, y) != set) {
                    QVERIFY(bits.pixel(x, y) != set);
                    continue;
                }
                (bits.pixel(x, y) == set ? black : white) += 1;
            }
        }
        QVERIFY(black > 40);
        QVERIFY(white > 100);
        QVERIFY(mask.pixel(31, 31) != set);
    }
};

QTEST_MAIN(TestGlyphs)
#include "tst_glyphs.moc"
