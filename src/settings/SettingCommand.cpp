// Opening the settings dialog.
#include "app/TMainForm.h"

#include "platform/Desktop.h"
#include "settings/TSettingForm.h"

void TMainForm::SettingToolBtnClick()
{
    StopAutoNext(CommandOrigin::Control);
    // A fresh dialog each time, so it always starts from the current settings.
    TSettingForm dialog(*this, this);
    Desktop::instance().execDialog(dialog);
}
