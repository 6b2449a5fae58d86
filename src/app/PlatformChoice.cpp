#include "app/PlatformChoice.h"

#include <cstring>

#include <xcb/xcb.h>

namespace PlatformChoice {

bool userChosePlatform(int argc, char** argv)
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    }
    return false;
}

bool xDisplayAnswers()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

std::vector<char*> applicationArguments(int argc, char** argv)
{
    static char platformOption[] = "-platform";
    static char xcb[] = "xcb";
    std::vector<char*> arguments(argv, argv + argc);
    if (argc > 0 && !userChosePlatform(argc, argv) && xDisplayAnswers())
        arguments.insert(arguments.begin() + 1, {platformOption, xcb});
    arguments.push_back(nullptr);
    return arguments;
}

bool knowsWindowPositions(const QString& platformName)
{
    return !platformName.startsWith(QLatin1String("wayland"));
}

} // namespace PlatformChoice
