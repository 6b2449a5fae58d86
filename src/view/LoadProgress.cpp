// Load progress: the status-bar progress bar follows the decoding of the main photo.
#include "app/TMainForm.h"

#include <QToolButton>

#include "controls/TStatusProgressBar.h"
#include "platform/LoopTimer.h"

void TMainForm::Image1Progress(JpegPicture::ProgressStage Stage, int PercentDone)
{
    // The decode holds the event loop, so the bar must reach the screen now.
    StatusProgressBar1->setPositionNow(PercentDone);
    if (Stage == JpegPicture::ProgressStage::Starting) {
        ProgressTimer->setEnabled(false); // a clear pending from the previous photo is dropped
    } else if (Stage == JpegPicture::ProgressStage::Ending) {
        ProgressTimer->setEnabled(true);
        // Each photo of a show stays one whole interval, counted from the end of its decoding.
        if (AutoNextToolBtn->isChecked())
            SlideTimer->setEnabled(true);
        scheduleNextAhead();
    }
}

void TMainForm::ProgressTimerTimer()
{
    StatusProgressBar1->setValue(0);
    ProgressTimer->setEnabled(false);
}
