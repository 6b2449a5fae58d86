#include <QLabel>
#include <QTest>

#include "controls/PanelStatusBar.h"
#include "controls/TStatusProgressBar.h"

class TestStatusBar : public QObject
{
    Q_OBJECT
private slots:
    void panelsStandSideBySideFromTheLeft()
    {
        PanelStatusBar bar({75, 100, 100, 75, 65, 50});
        bar.resize(609, 19);
        QCOMPARE(bar.panelRect(0), QRect(0, 2, 75, 17));
        QCOMPARE(bar.panelRect(1), QRect(77, 2, 98, 17));
        QCOMPARE(bar.panelRect(5), QRect(417, 2, 192, 17)); // the last reaches the right edge
        bar.setPanelText(0, QStringLiteral("イメージなし"));
        auto* label = bar.findChild<QLabel*>(QStringLiteral("Panel0"));
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("イメージなし"));
        QVERIFY(label->alignment() & Qt::AlignRight);
    }

    void progressBarPlacesItselfOverItsPanel()
    {
        QWidget form;
        PanelStatusBar bar({75, 100, 100, 75, 65, 50}, &form);
        bar.resize(609, 19);
        TStatusProgressBar progress(&form);
        progress.setStatusBar(&bar);
        QCOMPARE(progress.parentWidget(), &bar);
        QCOMPARE(progress.panelIndex(), 0);
        QCOMPARE(progress.geometry(), QRect(0, 2, 75, 17));
        progress.setPanelIndex(1);
        QCOMPARE(progress.geometry(), QRect(77, 2, 98, 17));
        progress.setPanelIndex(5);
        QCOMPARE(progress.geometry(), QRect(417, 2, 192, 17));

        // It does not follow the bar; assigning the same bar again does not re-place it.
        bar.resize(800, 19);
        progress.setStatusBar(&bar);
        QCOMPARE(progress.geometry(), QRect(417, 2, 192, 17));
        QCOMPARE(progress.panelIndex(), 5);
        progress.setPanelIndex(5);
        QCOMPARE(progress.geometry(), QRect(417, 2, 383, 17));

        // Without a bar it goes back onto the form with its bounds.
        progress.setStatusBar(nullptr);
        QCOMPARE(progress.parentWidget(), &form);
        QCOMPARE(progress.geometry(), QRect(417, 2, 383, 17));
    }
};

QTEST_MAIN(TestStatusBar)
#include "tst_statusbar.moc"
