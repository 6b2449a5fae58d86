// The automatic-advance switch and the guard that stops it.
#include "app/TMainForm.h"

#include <QToolButton>

#include "platform/LoopTimer.h"

void TMainForm::AutoNextToolBtnClick()
{
    if (AutoNextToolBtn->isChecked()) {
        mAutoNext->setChecked(true);
        pAutoNext->setChecked(true);
        if (SlideMode == 0)
            SlideTimer->setEnabled(true);
    } else {
        mAutoNext->setChecked(false);
        pAutoNext->setChecked(false);
        SlideTimer->setEnabled(false);
        SlideMode = 0;
    }
}

void TMainForm::mAutoNextClick()
{
    setButtonDown(AutoNextToolBtn, !AutoNextToolBtn->isChecked());
    AutoNextToolBtnClick();
}

void TMainForm::pAutoNextClick()
{
    setButtonDown(AutoNextToolBtn, !AutoNextToolBtn->isChecked());
    AutoNextToolBtnClick();
}

void TMainForm::StopAutoNext(CommandOrigin origin)
{
    if (AutoNextToolBtn->isChecked() && origin != CommandOrigin::SlideTimer) {
        setButtonDown(AutoNextToolBtn, false);
        AutoNextToolBtnClick();
    }
}
