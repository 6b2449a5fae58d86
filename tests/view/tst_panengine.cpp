#include <QTest>

#include "view/KeyReleaseHold.h"
#include "view/KeyStroke.h"
#include "view/PanEngine.h"
#include "view/WheelNotches.h"

class TestPanEngine : public QObject
{
    Q_OBJECT
private slots:
    void rangesCountOnlyTheAxesWherePhotoIsLarger()
    {
        PanEngine pan;
        pan.setRanges(QSize(1000, 300), QSize(400, 300));
        QCOMPARE(pan.ScrollRangeX, 600);
        QCOMPARE(pan.ScrollRangeY, 0);
        pan.setRanges(QSize(200, 900), QSize(400, 300));
        QCOMPARE(pan.ScrollRangeX, 0);
        QCOMPARE(pan.ScrollRangeY, 600);
    }

    void tenRightKeyDownsMoveEightyPixelsLeftPerTickUntilTheRightEdge()
    {
        PanEngine pan;
        pan.setRanges(QSize(1000, 800), QSize(400, 300));
        pan.beginKeys();
        for (int i = 0; i < 10; ++i)
            pan.stepKey(PanEngine::Arrow::Right);
        QCOMPARE(pan.ScrollCurX, -80);
        QPoint image(-300, 0); // px = 300 of 600
        QCOMPARE(*pan.tick(image), QPoint(-80, 0));
        image += QPoint(-80, 0);
        QCOMPARE(*pan.tick(image), QPoint(-80, 0)); // the full step every tick
        image = QPoint(-550, 0);
        QCOMPARE(*pan.tick(image), QPoint(-50, 0)); // stops at px = range
        QCOMPARE(*pan.tick(QPoint(-600, 0)), QPoint(0, 0));
    }

    void leftAndUpPanDiagonallyAndOppositeKeysCancel()
    {
        PanEngine pan;
        pan.setRanges(QSize(1000, 800), QSize(400, 300));
        pan.beginKeys();
        pan.stepKey(PanEngine::Arrow::Left);
        pan.stepKey(PanEngine::Arrow::Up);
        QCOMPARE(*pan.tick(QPoint(-300, -200)), QPoint(8, 8)); // shows more of the top left
        pan.stepKey(PanEngine::Arrow::Right);
        pan.stepKey(PanEngine::Arrow::Down);
        QCOMPARE(*pan.tick(QPoint(-300, -200)), QPoint(0, 0));
        // Towards the left and top edges the move stops at 0.
        pan.stepKey(PanEngine::Arrow::Left);
        pan.stepKey(PanEngine::Arrow::Up);
        QCOMPARE(*pan.tick(QPoint(-3, -5)), QPoint(3, 5));
    }

    void dragFollowsThePointerAndLosesMovementPastTheEdge()
    {
        PanEngine pan;
        pan.setRanges(QSize(1000, 300), QSize(400, 300)); // wider, not taller
        pan.beginDrag(QPoint(200, 100));
        pan.dragTo(QPoint(150, 180));
        // Only horizontal panning, whatever the vertical movement.
        QCOMPARE(*pan.tick(QPoint(-300, 0)), QPoint(-50, 0));
        // Past the right edge: clamped, and the extra movement is lost.
        pan.dragTo(QPoint(-200, 180));
        QCOMPARE(*pan.tick(QPoint(-500, 0)), QPoint(-100, 0));
        // Moving back pans at once.
        pan.dragTo(QPoint(-190, 180));
        QCOMPARE(*pan.tick(QPoint(-600, 0)), QPoint(10, 0));
    }

    void aPhotoThatFitsEndsTheDragButNotTheKeyPan()
    {
        PanEngine pan;
        pan.setRanges(QSize(300, 200), QSize(400, 300));
        pan.beginDrag(QPoint(10, 10));
        pan.dragTo(QPoint(50, 50));
        QVERIFY(!pan.tick(QPoint(50, 50)));
        QVERIFY(!pan.Dragging);
        pan.beginKeys();
        QVERIFY(!pan.tick(QPoint(50, 50)));
        QVERIFY(pan.KeyScrolling);
    }

    void keypadDigitsArrowsAndExactlyCtrl()
    {
        QCOMPARE(KeyStroke::from(Qt::Key_6, Qt::KeypadModifier, {}).code, int(KeyStroke::Numpad6));
        QCOMPARE(KeyStroke::from(Qt::Key_0, Qt::KeypadModifier, {}).code, int(KeyStroke::Numpad0));
        // The top-row digit is not the keypad's.
        QCOMPARE(KeyStroke::from(Qt::Key_6, {}, {}).code, int(KeyStroke::Unknown));
        // The keypad's arrows with Num Lock off are arrows.
        QCOMPARE(KeyStroke::from(Qt::Key_Left, Qt::KeypadModifier, {}).code,
                 int(KeyStroke::Left));
        QVERIFY(KeyStroke::from(Qt::Key_F, Qt::ControlModifier, {}).exactlyCtrl);
        QVERIFY(KeyStroke::from(Qt::Key_F, Qt::ControlModifier | Qt::KeypadModifier, {})
                    .exactlyCtrl);
        QVERIFY(!KeyStroke::from(Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier, {})
                     .exactlyCtrl);
        QVERIFY(!KeyStroke::from(Qt::Key_F, Qt::ControlModifier | Qt::AltModifier, {})
                     .exactlyCtrl);
        QVERIFY(!KeyStroke::from(Qt::Key_F, Qt::ControlModifier, Qt::LeftButton).exactlyCtrl);
        QVERIFY(!KeyStroke::from(Qt::Key_F, {}, {}).exactlyCtrl);
    }

    void wheelDeltasMakeWholeNotches()
    {
        WheelNotches wheel;
        QCOMPARE(wheel.add(120), 1);
        QCOMPARE(wheel.add(-240), -2);
        QCOMPARE(wheel.add(40), 0);
        QCOMPARE(wheel.add(40), 0);
        QCOMPARE(wheel.add(40), 1); // a smooth device's small steps add up
        QCOMPARE(wheel.add(-119), 0);
        QCOMPARE(wheel.add(INT_MAX), WheelNotches::MaxNotchesPerEvent);
    }

    void autoRepeatPairsAreNoRelease()
    {
        KeyReleaseHold hold;
        const KeyReleaseHold::Release up{Qt::Key_Right, 1000, {}};
        QVERIFY(!hold.release(up));
        QVERIFY(hold.holding());
        // The repeat's press carries the release's time stamp: the key never went up.
        QVERIFY(!hold.press(Qt::Key_Right, 1000));
        QVERIFY(!hold.holding());
        // A press at another time, or of another key, shows the release was real.
        hold.release(up);
        QCOMPARE(hold.press(Qt::Key_Right, 1200)->timestamp, quint64(1000));
        hold.release(up);
        QCOMPARE(hold.press(Qt::Key_Left, 1000)->qtKey, int(Qt::Key_Right));
        hold.release(up);
        QCOMPARE(hold.release({Qt::Key_Up, 1001, {}})->qtKey, int(Qt::Key_Right));
        QCOMPARE(hold.expire()->qtKey, int(Qt::Key_Up));
        QVERIFY(!hold.expire());
    }
};

QTEST_GUILESS_MAIN(TestPanEngine)
#include "tst_panengine.moc"
