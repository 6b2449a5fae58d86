#include <QTest>

#include "library/PreviewGeometry.h"
#include "view/FitGeometry.h"
#include "view/ZoomTable.h"

class TestFitGeometry : public QObject
{
    Q_OBJECT
private slots:
    void scaleRoundsHalvesToEven()
    {
        QCOMPARE(FitGeometry::scaleFor(221, 160), 13812); // 13812.5
        QCOMPARE(FitGeometry::scaleFor(122, 120), 10167); // 10166.67
        QCOMPARE(FitGeometry::scaleFor(3, 8), 3750);
        QCOMPARE(FitGeometry::scaleFor(1, 20000), 0);     // 0.5 -> 0
        QCOMPARE(FitGeometry::scaleFor(3, 20000), 2);     // 1.5 -> 2
        QCOMPARE(FitGeometry::scaleFor(-1, 20000), 0);
        QCOMPARE(FitGeometry::scaleFor(10, 0), 0);
    }

    void fitImageWorkedExample()
    {
        // A 640x480 photo in a 376x380 view area: the width limits.
        const FitGeometry::Fit fit = FitGeometry::fit(QSize(376, 380), QSize(640, 480));
        QCOMPARE(fit.scale, 5875);
        QVERIFY(fit.widthLimited);
        QCOMPARE(fit.size, QSize(376, 282));
    }

    void squareTieTakesTheWidth()
    {
        const FitGeometry::Fit fit = FitGeometry::fit(QSize(300, 300), QSize(100, 100));
        QVERIFY(fit.widthLimited);
        QCOMPARE(fit.size, QSize(300, 300)); // small pictures are enlarged
    }

    void withinReachMovesTheLeastThatBringsThePhotoBack()
    {
        const QSize box(376, 380);
        // Narrower: lies within the box.
        QCOMPARE(FitGeometry::withinReach({-1800, 0}, {200, 150}, box), QPoint(0, 0));
        QCOMPARE(FitGeometry::withinReach({50, 60}, {200, 150}, box), QPoint(50, 60));
        QCOMPARE(FitGeometry::withinReach({300, 400}, {200, 150}, box), QPoint(176, 230));
        // Wider: covers the box.
        QCOMPARE(FitGeometry::withinReach({100, -10}, {4000, 3000}, box), QPoint(0, -10));
        QCOMPARE(FitGeometry::withinReach({-3700, -2700}, {4000, 3000}, box),
                 QPoint(-3624, -2620));
    }

    void previewWorkedExamples_data()
    {
        QTest::addColumn<QSize>("area");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("image");
        QTest::addColumn<QRect>("frame");
        QTest::newRow("160x120 in 225x126") << QSize(225, 126) << QSize(160, 120)
                                            << QRect(2, 2, 162, 122) << QRect(29, 0, 166, 126);
        QTest::newRow("96x72 in 225x126") << QSize(225, 126) << QSize(96, 72)
                                          << QRect(2, 2, 162, 121) << QRect(29, 0, 166, 125);
        QTest::newRow("160x120 in 225x300") << QSize(225, 300) << QSize(160, 120)
                                            << QRect(2, 2, 220, 165) << QRect(0, 66, 224, 169);
    }

    void previewWorkedExamples()
    {
        QFETCH(QSize, area);
        QFETCH(QSize, picture);
        QFETCH(QRect, image);
        QFETCH(QRect, frame);
        const PreviewPlacement placement = fitPreview(area, picture);
        QCOMPARE(placement.picture, image);
        QCOMPARE(placement.frame, frame);
    }

    void zoomTableTexts()
    {
        QStringList texts;
        for (int step = 0; step < ZoomTable::StepCount; ++step)
            texts << ZoomTable::text(step);
        QCOMPARE(texts, QStringList({"5%", "7%", "10%", "15%", "20%", "30%", "50%", "70%", "100%",
                                     "150%", "200%", "300%", "500%", "700%", "1000%"}));
        QCOMPARE(ZoomTable::scale(ZoomTable::ActualSizeStep), 10000);
    }
};

QTEST_APPLESS_MAIN(TestFitGeometry)
#include "tst_fitgeometry.moc"
