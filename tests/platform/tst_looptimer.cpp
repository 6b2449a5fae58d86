#include <QSignalSpy>
#include <QTest>

#include "platform/LoopTimer.h"

class TestLoopTimer : public QObject
{
    Q_OBJECT
private slots:
    void zeroIntervalNeverFires()
    {
        LoopTimer timer(QStringLiteral("t"), 0);
        QSignalSpy ticks(&timer, &LoopTimer::timeout);
        timer.setEnabled(true);
        QTest::qWait(50);
        QCOMPARE(ticks.count(), 0);
    }

    void enabledTimerTicksAndStops()
    {
        LoopTimer timer(QStringLiteral("t"), 10);
        QSignalSpy ticks(&timer, &LoopTimer::timeout);
        timer.setEnabled(true);
        QTRY_VERIFY(ticks.count() >= 1);
        timer.setEnabled(false);
        const int count = ticks.count();
        QTest::qWait(40);
        QCOMPARE(ticks.count(), count);
    }

    void enablingARunningTimerKeepsItsCount()
    {
        // Re-enabling must not restart the interval: a 60 ms timer enabled every 20 ms still
        // fires.
        LoopTimer timer(QStringLiteral("t"), 60);
        QSignalSpy ticks(&timer, &LoopTimer::timeout);
        timer.setEnabled(true);
        QElapsedTimer clock;
        clock.start();
        while (ticks.isEmpty() && clock.elapsed() < 2000) {
            timer.setEnabled(true);
            QTest::qWait(20);
        }
        QVERIFY(!ticks.isEmpty());
    }

    void newIntervalApplies()
    {
        LoopTimer timer(QStringLiteral("t"), 0);
        timer.setEnabled(true);
        QSignalSpy ticks(&timer, &LoopTimer::timeout);
        timer.setInterval(10);
        QTRY_VERIFY(ticks.count() >= 1);
        QVERIFY(timer.isEnabled());
    }
};

QTEST_MAIN(TestLoopTimer)
#include "tst_looptimer.moc"
