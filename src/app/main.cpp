#include <QApplication>

#include "app/TMainForm.h"
#include "platform/ErrorReport.h"
#include "platform/SessionBus.h"

int main(int argc, char* argv[])
{
    SessionBus::preventAutolaunch();
    QApplication app(argc, argv);
    TMainForm::initApplication(app);
    TMainForm form;
    if (form.startCancelled())
        return 0;
    form.show();
    const int result = app.exec();
    // The settings go back to the file once the window has closed; a failure is reported and
    // the program still ends.
    ErrorReport::guard(nullptr, [&form] { form.FormDestroy(); });
    return result;
}
