// Reading, editing and writing back a settings file of any content.
#include <cstdint>
#include <cstdlib>

#include "FuzzFile.h"
#include "platform/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzzFile("qirva.ini", data, size);

    IniFile ini(path);
    ini.load();
    // Every reading the program does, on whatever the file holds.
    for (const char* section : {"Form", "Setting", "Printer"}) {
        for (const char* key : {"Top", "Left", "Caption", "LoadSetPath", "Mode", "AllAdjust"}) {
            ini.readString(section, key, QStringLiteral("default"));
            ini.readInteger(section, key, 7);
            ini.readBool(section, key, true);
        }
    }

    // New values read back as written, after a save and a fresh read.
    const QString folder = QStringLiteral("写真/アルバム 2026");
    ini.writeInteger("Form", "Top", -123456);
    ini.writeString("Setting", "LoadSetPath", folder);
    ini.writeBool("Printer", "AllAdjust", false);
    if (ini.save()) {
        IniFile again(path);
        again.load();
        if (again.readInteger("Form", "Top", 0) != -123456 ||
            again.readString("Setting", "LoadSetPath", QString()) != folder ||
            again.readBool("Printer", "AllAdjust", true))
            std::abort();
    }
    return 0;
}
