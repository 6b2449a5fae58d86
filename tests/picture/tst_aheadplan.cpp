#include <QTemporaryDir>
#include <QTest>

#include <atomic>

#include "picture/AheadPlan.h"
#include "picture/JpegPicture.h"
#include "picture/PictureBudget.h"
#include "support/TestSupport.h"

class TestAheadPlan : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QStringList m_photos; // 800 x 600 each

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (int n = 1; n <= 5; ++n)
            m_photos << writeTestJpeg(m_dir.filePath(QStringLiteral("%1.jpg").arg(n)), 800, 600,
                                      unsigned(n));
    }

    void cleanup() { QCOMPARE(PictureBudget::inUse(), 0); }

    // From one photo on display to the next, back, and away through the tree: each picture is
    // decoded once and handed over whole; what the new place makes unlikely is let go.
    void plansStepsKeepsWhatIsLikelyAndLetsGoAtATreePress()
    {
        AheadPlan plan;
        std::atomic<int> settled = 0;
        plan.setOnOtherSettled([&] { ++settled; });
        // The second worker's report, as the owning thread would take it.
        const auto reported = [&] {
            const bool came = QTest::qWaitFor([&] { return settled > 0; }, 20000);
            settled -= came ? 1 : 0;
            return came;
        };
        const DecodeAhead::Size full{};

        plan.shown(m_photos[1], nullptr);
        plan.plan(m_photos[2], {m_photos[0], m_photos[3], m_photos[2]}, full, 0);
        QCOMPARE(plan.ahead().path(), m_photos[2]);
        // The likely steps, one at a time; the next photo is not decoded twice.
        for (int step = 0; step < 2; ++step) {
            QVERIFY(reported());
            QVERIFY(!plan.otherSettled().settled);
        }
        QVERIFY(plan.kept().holds(m_photos[0], full));
        QVERIFY(plan.kept().holds(m_photos[3], full));
        QCOMPARE(plan.kept().count(), 2);

        // A step back takes the kept picture, and the photo left is kept in turn.
        std::unique_ptr<JpegPicture> shown = JpegPicture::load(m_photos[1]);
        QCOMPARE(shown->decode(), QString());
        std::unique_ptr<JpegPicture> back = plan.takeFor(m_photos[0]);
        QVERIFY(back && back->isDecoded());
        plan.shown(m_photos[0], std::move(shown));
        QVERIFY(plan.kept().holds(m_photos[1], full));

        // Planned from the new place: the picture ahead for photo 3 is one of its steps now,
        // photo 4 is not.
        plan.plan(m_photos[1], {m_photos[2]}, full, 0);
        QCOMPARE(plan.ahead().path(), m_photos[1]);
        QVERIFY(plan.kept().holds(m_photos[2], full));
        QVERIFY(!plan.kept().holds(m_photos[3], full));

        // A press in the tree: the kept pictures go, the pressed photo is decoded ahead.
        plan.select(m_photos[4], full, 0);
        QCOMPARE(plan.kept().count(), 0);
        QCOMPARE(plan.ahead().path(), m_photos[4]);
        QVERIFY(plan.takeFor(m_photos[4]));

        // The view outgrows a reduced decode: the second worker makes the full one.
        QVERIFY(!plan.wantLarger(false)); // the first decode is the view's own
        QVERIFY(plan.wantLarger(true));
        plan.plan(QString(), {}, full, 0);
        QVERIFY(reported());
        AheadPlan::Larger larger = plan.otherSettled();
        QVERIFY(larger.settled);
        QVERIFY(larger.picture && larger.picture->isDecoded());
        back.reset();
        larger.picture.reset();
        plan.dropAll();
        QCOMPARE(plan.kept().count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestAheadPlan)
#include "tst_aheadplan.moc"
