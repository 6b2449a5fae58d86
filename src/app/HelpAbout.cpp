// The help file and the About box.
#include "app/TMainForm.h"

#include <QUrl>

#include "platform/Desktop.h"

void TMainForm::Help2Click()
{
    // Whatever the desktop makes of it is its own affair; automatic advance keeps running.
    Desktop::instance().openUrl(QUrl::fromLocalFile(AppDir + helpFileName()));
}
