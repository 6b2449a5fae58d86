#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "controls/Glyphs.h"
#include "controls/TEllipsisEdit.h"

namespace {

// A window holding a plain line edit, then the ellipsis box, so the focus can be tabbed in.
struct Host
{
    QWidget window;
    QLineEdit* before = new QLineEdit(&window);
    TEllipsisEdit* edit = new TEllipsisEdit(&window);

    Host()
    {
        before->setGeometry(0, 0, 150, 20);
        edit->move(0, 30);
        window.resize(200, 60);
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qWarning("window did not become active");
    }
    QToolButton* button() const { return edit->findChild<QToolButton*>("EllipsisButton"); }
};

// Shows where the caret is drawn.
class CaretProbe : public TEllipsisEdit
{
public:
    using TEllipsisEdit::TEllipsisEdit;
    QRect caret() const { return cursorRect(); }
};

} // namespace

class TestEllipsisEdit : public QObject
{
    Q_OBJECT

private slots:
    void glyphIsThePixelTableWithAClearBackground()
    {
        const char* rows[] = {"LDL.LDL.LDL.DB", "DBD.DBD.DBD.DB", "LDL.LDL.LDL.DB",
                              "............DB", "............DB"};
        const QImage glyph = Glyphs::ellipsisIcon()
                                 .pixmap(QSize(14, 5), QIcon::Normal)
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(glyph.size(), QSize(14, 5));
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 14; ++x) {
                const QRgb pixel = glyph.pixel(x, y);
                QRgb expected = 0;
                switch (rows[y][x]) {
                case 'L':
                    expected = qRgb(160, 160, 164);
                    break;
                case 'D':
                    expected = qRgb(128, 128, 128);
                    break;
                case 'B':
                    expected = qRgb(0, 0, 0);
                    break;
                default:
                    expected = 0;
                    break;
                }
                const QString where = QStringLiteral("%1,%2").arg(x).arg(y);
                if (expected == 0)
                    QVERIFY2(qAlpha(pixel) == 0, qPrintable(where));
                else
                    QVERIFY2(pixel == expected, qPrintable(where));
            }
        }
        const QImage disabled =
            Glyphs::ellipsisIcon().pixmap(QSize(14, 5), QIcon::Disabled).toImage();
        QVERIFY(disabled != glyph);
    }

    void newBoxHasItsDesignSizeAndTheButtonInsideTheRightEnd()
    {
        TEllipsisEdit edit;
        QCOMPARE(edit.size(), QSize(150, 20));
        edit.setEllipsisHint(QStringLiteral("button"));
        QVERIFY(edit.toolTip().isEmpty()); // the box's own hint is another
        QCOMPARE(edit.findChild<QToolButton*>("EllipsisButton")->toolTip(),
                 QStringLiteral("button"));
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QVERIFY(edit.text().isEmpty());
        const QRect client = edit.clientRect();
        QToolButton* button = edit.findChild<QToolButton*>("EllipsisButton");
        QCOMPARE(button->geometry(),
                 QRect(client.right() + 1 - 15, client.top(), 15, client.height()));
        QCOMPARE(edit.findChild<QWidget*>("EllipsisStrip")->geometry(),
                 QRect(client.right() - 15, client.top(), 1, client.height()));
        // The button stays at the right end and full height when the box is resized.
        edit.resize(300, 28);
        QCOMPARE(button->geometry().right(), edit.clientRect().right());
        QCOMPARE(button->height(), edit.clientRect().height());
        QCOMPARE(button->width(), 15);
    }

    void longTextNeverRunsUnderTheButton()
    {
        QWidget window;
        auto* edit = new CaretProbe(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        edit->setFocus();
        QTest::keyClicks(edit, QString(120, QLatin1Char('W')));
        QCOMPARE(edit->cursorPosition(), 120);
        // The box scrolls so that the end of the text stays left of the strip and button.
        const int stripX = edit->findChild<QWidget*>("EllipsisStrip")->x();
        edit->repaint(); // the box scrolls its text when it paints
        // The caret stands in the middle of the rectangle Qt gives for it.
        QVERIFY(edit->caret().center().x() < stripX);
        QVERIFY(edit->caret().center().x() > stripX - 20);
    }

    void buttonOfAReadOnlyBoxFiresWithTheBoxAsSenderAndFocusesIt()
    {
        Host host;
        host.edit->setReadOnly(true);
        host.edit->setText(QStringLiteral("/home/user/Pictures"));
        host.before->setFocus();
        QSignalSpy spy(host.edit, &TCustomEllipsisEdit::OnEllipsisClick);
        QTest::mouseClick(host.button(), Qt::LeftButton);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<TCustomEllipsisEdit*>(), host.edit);
        QVERIFY(host.edit->hasFocus());
        // The focus came with a left press: nothing is selected.
        QVERIFY(!host.edit->hasSelectedText());
    }

    void disabledBoxDisablesItsButton()
    {
        Host host;
        QSignalSpy spy(host.edit, &TCustomEllipsisEdit::OnEllipsisClick);
        host.edit->setEnabled(false);
        QVERIFY(!host.button()->isEnabled());
        QTest::mouseClick(host.button(), Qt::LeftButton);
        QCOMPARE(spy.count(), 0);
        host.edit->setEnabled(true);
        QVERIFY(host.button()->isEnabled());
    }

    void pointerIsAnIBeamExceptOverTheRightSeventeenPixels()
    {
        for (bool readOnly : {false, true}) {
            Host host;
            host.edit->setReadOnly(readOnly);
            const QRect client = host.edit->clientRect();
            const int edge = client.left() + client.width() - 17;
            QTest::mouseMove(host.edit, QPoint(edge - 1, 10));
            QTRY_COMPARE(host.edit->cursor().shape(), Qt::IBeamCursor);
            QTest::mouseMove(host.edit, QPoint(edge, 10));
            QTRY_COMPARE(host.edit->cursor().shape(), Qt::ArrowCursor);
            QTest::mouseMove(host.edit, QPoint(5, 10));
            QTRY_COMPARE(host.edit->cursor().shape(), Qt::IBeamCursor);
            QCOMPARE(host.button()->cursor().shape(), Qt::ArrowCursor);
        }
    }

    void tabSelectsTheWholeTextWhileAClickDoesNot()
    {
        Host host;
        host.edit->setReadOnly(true);
        host.edit->setText(QStringLiteral("/srv/photos"));
        host.before->setFocus();
        QTest::keyClick(host.before, Qt::Key_Tab);
        QVERIFY(host.edit->hasFocus());
        QCOMPARE(host.edit->selectedText(), host.edit->text());

        host.before->setFocus();
        QTest::mouseClick(host.edit, Qt::LeftButton, {}, QPoint(20, 10));
        QVERIFY(host.edit->hasFocus());
        QVERIFY(!host.edit->hasSelectedText());
    }

    void assistiveTechnologyCanPressTheButton()
    {
        Host host;
        QSignalSpy spy(host.edit, &TCustomEllipsisEdit::OnEllipsisClick);
        QAccessibleInterface* box = QAccessible::queryAccessibleInterface(host.edit);
        QVERIFY(box);
        QAccessibleInterface* button = nullptr;
        for (int i = 0; i < box->childCount(); ++i)
            if (box->child(i)->role() == QAccessible::Button)
                button = box->child(i);
        QVERIFY(button);
        QCOMPARE(button->text(QAccessible::Name), QStringLiteral("参照"));
        QVERIFY(button->actionInterface());
        button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(spy.count(), 1);
        QVERIFY(host.edit->hasFocus());
    }
};

QTEST_MAIN(TestEllipsisEdit)
#include "tst_ellipsisedit.moc"
