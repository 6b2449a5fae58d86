#include <QApplication>

#include <vector>

#include "app/PlatformChoice.h"
#include "app/TMainForm.h"
#include "platform/ErrorReport.h"
#include "platform/SessionBus.h"

int main(int argc, char* argv[])
{
    SessionBus::preventAutolaunch();
    // Chosen here rather than through QT_QPA_PLATFORM, so that the programs the viewer starts
    // (the help viewer, the browser) keep the user's own environment.
    std::vector<char*> arguments = PlatformChoice::applicationArguments(argc, argv);
    int count = int(arguments.size()) - 1;
    QApplication app(count, arguments.data());
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
