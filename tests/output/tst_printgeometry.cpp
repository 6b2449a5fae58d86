#include <QTest>

#include "output/PrintGeometry.h"

Q_DECLARE_METATYPE(PageRect)

class TestPrintGeometry : public QObject
{
    Q_OBJECT
private slots:
    void fitToPage_data()
    {
        QTest::addColumn<QSize>("page");
        QTest::addColumn<QSize>("image");
        QTest::addColumn<PageRect>("expected");
        // sx 30000 < sy 56667: the width limits, centred down the page.
        QTest::newRow("landscape photo, portrait page")
            << QSize(4800, 6800) << QSize(1600, 1200) << PageRect{0, 1600, 4800, 5200};
        // sx 40000 < sy 42500.
        QTest::newRow("portrait photo, portrait page")
            << QSize(4800, 6800) << QSize(1200, 1600) << PageRect{0, 200, 4800, 6600};
        // sx 42500 > sy 40000: the height limits, centred across.
        QTest::newRow("landscape photo, landscape page")
            << QSize(6800, 4800) << QSize(1600, 1200) << PageRect{200, 0, 6600, 4800};
        // sx == sy: the width branch, from the top-left corner.
        QTest::newRow("page's own proportions")
            << QSize(4800, 6800) << QSize(480, 680) << PageRect{0, 0, 4800, 6800};
        // A photo larger than the page is reduced.
        QTest::newRow("reduced") << QSize(1000, 1000) << QSize(4000, 2000)
                                 << PageRect{0, 250, 1000, 750};
        // The quantised scale, not the exact ratio: 1000/3 x 10000 rounds to 3333333, so the
        // photo comes out 999 wide, a pixel short of the page.
        QTest::newRow("quantised scale")
            << QSize(1000, 5000) << QSize(3, 1) << PageRect{0, 2334, 999, 2667};
        // Halves of the page and of the photo are each cut before subtracting: 25 - 17, not
        // (50 - 35) / 2.
        QTest::newRow("odd centring") << QSize(101, 50) << QSize(20, 7) << PageRect{0, 8, 101, 43};
        // Nothing to scale: an empty rectangle, never a division by zero.
        QTest::newRow("empty photo")
            << QSize(4800, 6800) << QSize(0, 0) << PageRect{0, 3400, 0, 3400};
    }

    void fitToPage()
    {
        QFETCH(QSize, page);
        QFETCH(QSize, image);
        QFETCH(PageRect, expected);
        const PageRect r = FitToPage(page.width(), page.height(), image.width(), image.height());
        QCOMPARE(QRect(r.rect()), expected.rect());
        QVERIFY(r == expected);
    }

    void fitToPageTouchesTwoOppositeEdges()
    {
        // Enlarged or reduced, the photo always spans the page along the limiting axis.
        for (const QSize image : {QSize(64, 48), QSize(48, 64), QSize(6000, 4000), QSize(7, 7)}) {
            const PageRect r = FitToPage(4960, 7015, image.width(), image.height());
            const bool spansWidth = r.left == 0 && r.right >= 4959;
            const bool spansHeight = r.top == 0 && r.bottom >= 7014;
            QVERIFY2(spansWidth || spansHeight, qPrintable(QString::number(image.width())));
            QVERIFY(r.right <= 4960 && r.bottom <= 7015 && r.left >= 0 && r.top >= 0);
        }
    }

    void orientationFollowsTheShape()
    {
        QCOMPARE(printOrientation(QSize(1600, 1200)), QPageLayout::Landscape);
        QCOMPARE(printOrientation(QSize(1200, 1600)), QPageLayout::Portrait);
        QCOMPARE(printOrientation(QSize(1000, 1000)), QPageLayout::Portrait);
    }
};

QTEST_APPLESS_MAIN(TestPrintGeometry)
#include "tst_printgeometry.moc"
