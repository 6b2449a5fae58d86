#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "app/TMainForm.h"
#include "controls/PanelStatusBar.h"
#include "controls/ResizeNotifyPanel.h"
#include "library/FolderTreeView.h"
#include "support/TestSupport.h"
#include "view/FitGeometry.h"
#include "view/PhotoImage.h"

// On a screen scaled to 200%, the zoom steps count screen pixels: at 100% each photo pixel
// covers one device pixel; the zoom texts, the fit arithmetic and the layout stay logical.
class TestHiDpi : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TMainForm> m_form;

    void openPhoto()
    {
        m_form->TreeView->selectNode(1);
        m_form->TreeViewDblClick();
        QVERIFY(QTest::qWaitForWindowExposed(m_form->Image1));
        QTRY_VERIFY(m_form->Image1->picture()->isDecoded() &&
                    !m_form->Image1->needsLargerDecode());
    }

private slots:
    void initTestCase()
    {
        TMainForm::initApplication(*qApp);
        makeAlbum(m_dir.filePath(QStringLiteral("lib")), QStringLiteral("a"), 2, 640, 480);
        m_form = showMainWindow(m_dir.path(),
                                "[Setting]\nLoadSetPath=" + m_dir.filePath("lib").toUtf8() + "\n");
        QCOMPARE(m_form->Image1->devicePixelRatioF(), 2.0);
    }

    void hundredPercentIsOneDevicePixelPerPhotoPixel()
    {
        openPhoto();
        QCOMPARE(m_form->Image1->size(), QSize(320, 240));
        QCOMPARE(m_form->Image1->picture()->image().size(), QSize(640, 480));
        QCOMPARE(m_form->StatusBar1->panelText(4), QStringLiteral("100%"));
        QCOMPARE(m_form->StatusBar1->panelText(3), QStringLiteral("640x480"));
        m_form->ZoomInToolBtnClick();
        QCOMPARE(m_form->Image1->size(), QSize(480, 360));
        QCOMPARE(m_form->StatusBar1->panelText(4), QStringLiteral("150%"));
        m_form->UnZoomToolBtnClick();
        QCOMPARE(m_form->Image1->size(), QSize(320, 240));
    }

    void fitModeDecodesAtTheDeviceSize()
    {
        m_form->FitWinToolBtn->click();
        openPhoto();
        const FitGeometry::Fit fit = FitGeometry::fit(m_form->ScrollBox->size(), QSize(640, 480));
        QCOMPARE(m_form->Image1->size(), fit.size);
        const QSize drawn = fit.size * 2;
        const QSize decoded = m_form->Image1->picture()->image().size();
        QVERIFY(decoded.width() >= std::min(drawn.width(), 640));
        QVERIFY(decoded.height() >= std::min(drawn.height(), 480));
        QCOMPARE(m_form->StatusBar1->panelText(4), QStringLiteral("表示最適化"));
        m_form->FitWinToolBtn->click();
    }
};

int main(int argc, char* argv[])
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestHiDpi test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hidpi.moc"
