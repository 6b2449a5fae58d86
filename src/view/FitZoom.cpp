// Fit and zoom: how big the photo is drawn and where it stands in the view area.
#include "app/TMainForm.h"

#include <QToolButton>

#include <cmath>

#include "controls/PanelStatusBar.h"
#include "controls/ResizeNotifyPanel.h"
#include "view/FitGeometry.h"
#include "view/PhotoImage.h"
#include "view/ZoomTable.h"

namespace {
const QString kFitText = QStringLiteral("表示最適化");
}

void TMainForm::SetZoomScale(qint64 scale)
{
    // Zoom steps count device pixels: at 100% one photo pixel covers one screen pixel, also
    // on a scaled screen, where the control's own size is in larger logical pixels.
    const qreal ratio = Image1->devicePixelRatioF();
    const auto logical = [ratio](qint64 devicePixels) {
        return int(std::ceil(qreal(devicePixels) / ratio));
    };
    Image1->setClientHeight(logical(FitGeometry::scaled(Image1->pictureHeight(), scale)));
    Image1->setClientWidth(logical(FitGeometry::scaled(Image1->pictureWidth(), scale)));
}

void TMainForm::FitImage()
{
    const QSize box = ScrollBox->size();
    const FitGeometry::Fit fit =
        FitGeometry::fit(box, QSize(Image1->pictureWidth(), Image1->pictureHeight()));
    Image1->setClientHeight(fit.size.height());
    Image1->setClientWidth(fit.size.width());
    if (fit.widthLimited)
        Image1->move(0, box.height() / 2 - fit.size.height() / 2);
    else
        Image1->move(box.width() / 2 - fit.size.width() / 2, 0);
}

void TMainForm::CenterImage()
{
    const QSize box = ScrollBox->size();
    int top = 0;
    const int left = box.width() / 2 - Image1->width() / 2;
    if (Image1->height() < box.height())
        top = box.height() / 2 - Image1->height() / 2;
    // No repaint here: the window paints the photo at its new place and the uncovered
    // background together, once the new picture is decoded, so the old photo is replaced by
    // the new one in one frame and never shows at a passing place.
    Image1->move(left, top);
}

void TMainForm::keepWithinReach()
{
    Image1->move(FitGeometry::withinReach(Image1->pos(), Image1->size(), ScrollBox->size()));
}

void TMainForm::ResetZoom()
{
    ZoomStep = ZoomTable::ActualSizeStep;
    if (FitWinToolBtn->isChecked())
        return;
    UnZoomToolBtn->setEnabled(false);
    ZoomOutToolBtn->setEnabled(true);
    ZoomInToolBtn->setEnabled(false);
    mUnZoom->setEnabled(false);
    mZoomOut->setEnabled(true);
    mZoomIn->setEnabled(false);
    StatusBar1->setPanelText(4, ZoomTable::text(ZoomTable::ActualSizeStep));
}

void TMainForm::FitWinToolBtnClick()
{
    applyFitMode();
    // The next photo is drawn at another size now. Planned after the photo's new size has
    // asked for its paint, so that the frame comes before the pictures planned for the old
    // size are let go.
    scheduleNextAhead();
}

void TMainForm::applyFitMode()
{
    if (FitWinToolBtn->isChecked()) {
        FitWin->setChecked(true);
        ZoomOutToolBtn->setEnabled(false);
        ZoomInToolBtn->setEnabled(false);
        UnZoomToolBtn->setEnabled(false);
        StatusBar1->setPanelText(4, kFitText);
        if (photoOnShow())
            FitImage();
        return;
    }
    FitWin->setChecked(false);
    StatusBar1->setPanelText(4, QString());
    if (!photoOnShow())
        return;
    ZoomOutToolBtn->setEnabled(true);
    ZoomInToolBtn->setEnabled(false);
    ZoomStep = ZoomTable::ActualSizeStep;
    StatusBar1->setPanelText(4, ZoomTable::text(ZoomTable::ActualSizeStep));
    SetZoomScale(ZoomTable::scale(ZoomTable::ActualSizeStep));
    CenterImage();
}

void TMainForm::FitWinClick()
{
    setButtonDown(FitWinToolBtn, !FitWinToolBtn->isChecked());
    FitWinToolBtnClick();
}

void TMainForm::ZoomInToolBtnClick()
{
    const int s = ZoomStep;
    if (s >= ZoomTable::LastStep)
        return;
    SetZoomScale(ZoomTable::scale(s + 1));
    keepWithinReach();
    ZoomStep = quint8(s + 1);
    StatusBar1->setPanelText(4, ZoomTable::text(s + 1));
    switch (s + 1) {
    case 1:
        ZoomOutToolBtn->setEnabled(true);
        mZoomOut->setEnabled(true);
        break;
    case ZoomTable::ActualSizeStep:
        ZoomInToolBtn->setEnabled(false);
        mZoomIn->setEnabled(false);
        UnZoomToolBtn->setEnabled(false);
        mUnZoom->setEnabled(false);
        break;
    case ZoomTable::ActualSizeStep + 1:
        UnZoomToolBtn->setEnabled(true);
        mUnZoom->setEnabled(true);
        break;
    case ZoomTable::LastStep:
        ZoomInToolBtn->setEnabled(false);
        mZoomIn->setEnabled(false);
        break;
    default:
        break;
    }
}

void TMainForm::ZoomOutToolBtnClick()
{
    const int s = ZoomStep;
    if (s <= 0)
        return;
    SetZoomScale(ZoomTable::scale(s - 1));
    keepWithinReach();
    ZoomStep = quint8(s - 1);
    StatusBar1->setPanelText(4, ZoomTable::text(s - 1));
    switch (s - 1) {
    case 0:
        ZoomOutToolBtn->setEnabled(false);
        mZoomOut->setEnabled(false);
        break;
    case ZoomTable::ActualSizeStep - 1:
        UnZoomToolBtn->setEnabled(true);
        mUnZoom->setEnabled(true);
        ZoomInToolBtn->setEnabled(true);
        mZoomIn->setEnabled(true);
        break;
    case ZoomTable::ActualSizeStep:
        UnZoomToolBtn->setEnabled(false);
        mUnZoom->setEnabled(false);
        break;
    case ZoomTable::LastStep - 1:
        ZoomInToolBtn->setEnabled(true);
        mZoomIn->setEnabled(true);
        break;
    default:
        break;
    }
}

void TMainForm::UnZoomToolBtnClick()
{
    SetZoomScale(ZoomTable::scale(ZoomTable::ActualSizeStep));
    keepWithinReach();
    ZoomStep = ZoomTable::ActualSizeStep;
    StatusBar1->setPanelText(4, ZoomTable::text(ZoomTable::ActualSizeStep));
    ZoomInToolBtn->setEnabled(false);
    ZoomOutToolBtn->setEnabled(true);
    UnZoomToolBtn->setEnabled(false);
}

void TMainForm::ScrollBoxCanResize()
{
    if (!photoOnShow() || Pan.panning())
        return;
    if (FitWinToolBtn->isChecked())
        FitImage();
    else
        CenterImage();
    // The re-layout shows the photo again, also after an open that hid it and then failed.
    Image1->show();
}
