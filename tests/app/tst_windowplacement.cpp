#include <QTest>

#include <climits>

#include "app/WindowPlacement.h"

class TestWindowPlacement : public QObject
{
    Q_OBJECT

private slots:
    void strandedWindowGoesToThePrimaryCorner_data()
    {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<QPoint>("expected");
        const QPoint corner(1920, 0); // the primary screen is the right one
        QTest::newRow("on the screen") << 100 << 200 << QPoint(100, 200);
        QTest::newRow("on the second screen") << 10 << 10 << QPoint(10, 10);
        QTest::newRow("title bar partly left") << -600 << 0 << QPoint(-600, 0);
        QTest::newRow("title bar partly above") << 50 << -20 << QPoint(50, -20);
        QTest::newRow("only the body below the top") << 50 << -4000 << corner;
        QTest::newRow("title bar just above") << 50 << -24 << corner;
        QTest::newRow("right of everything") << 3840 << 0 << corner;
        QTest::newRow("in the gap below the small screen") << 0 << 1200 << corner;
        QTest::newRow("far away") << -99999999 << 99999999 << corner;
        QTest::newRow("range ends") << INT_MIN << INT_MAX << corner;
        QTest::newRow("range ends swapped") << INT_MAX << INT_MIN << corner;
        QTest::newRow("almost the end") << INT_MAX - 100 << 0 << corner;
    }
    void strandedWindowGoesToThePrimaryCorner()
    {
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(QPoint, expected);
        // A 1920 x 1080 screen on the left and a 1920 x 1200 primary one beside it.
        const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1920, 1200)};
        QCOMPARE(WindowPlacement::place(left, top, 617, 24, screens, screens[1]), expected);
    }

    void noScreenGivesTheOrigin()
    {
        QCOMPARE(WindowPlacement::place(500, 500, 617, 24, {}, QRect()), QPoint(0, 0));
    }
};

QTEST_APPLESS_MAIN(TestWindowPlacement)
#include "tst_windowplacement.moc"
