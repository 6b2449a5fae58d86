#include "app/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/IniFile.h"
#include "platform/QirvaError.h"

namespace {

const QString FormSection = QStringLiteral("Form");
const QString SettingSection = QStringLiteral("Setting");
const QString PrinterSection = QStringLiteral("Printer");

// The write-back leaves a value alone when the file already reads as it: an integer written
// as "0x1E" stays so, and a string longer than reading keeps is not cut by writing its
// shortened copy back.
void keepOrWriteInteger(IniFile& ini, const QString& section, const QString& key, qint32 value)
{
    qint32 current;
    if (ini.contains(section, key) &&
        IniFile::parseInteger(ini.readRawString(section, key, {}), &current) && current == value)
        return;
    ini.writeInteger(section, key, value);
}

void keepOrWriteBool(IniFile& ini, const QString& section, const QString& key, bool value)
{
    qint32 current;
    if (ini.contains(section, key) &&
        IniFile::parseInteger(ini.readRawString(section, key, {}), &current) &&
        (current != 0) == value)
        return;
    ini.writeBool(section, key, value);
}

void keepOrWriteString(IniFile& ini, const QString& section, const QString& key,
                       const QString& value)
{
    if (ini.contains(section, key) && ini.readString(section, key, {}) == value)
        return;
    ini.writeString(section, key, value);
}

// The first per-user copy: its folders are made private to the user, as the XDG base
// directories ask, and it holds the file it started from with the edits laid in.
bool saveUserCopy(IniFile& ini, const QString& path)
{
    const QFileInfo info(path);
    const QString configHome = QFileInfo(info.absolutePath()).absolutePath();
    const auto privateFolder =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    QDir().mkpath(QFileInfo(configHome).absolutePath());
    for (const QString& folder : {configHome, info.absolutePath()}) {
        if (!QFileInfo(folder).isDir() && !QDir().mkdir(folder, privateFolder))
            return false;
    }
    return ini.saveAs(path);
}

} // namespace

SettingsFile::SettingsFile(const QString& appDir)
    : m_appDir(appDir.endsWith(u'/') ? appDir : appDir + u'/'),
      m_path(m_appDir + QStringLiteral("qirva.ini"))
{
}

SettingsFile::SettingsFile(const QString& appDir, const QString& perUserPath) : SettingsFile(appDir)
{
    m_userCopyPath = perUserPath;
    m_usesUserCopy = !canWriteInPlace(m_path);
}

QString SettingsFile::userCopyPath()
{
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(configHome))
        configHome = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(configHome + QStringLiteral("/qirva/qirva.ini"));
}

bool SettingsFile::canWriteInPlace(const QString& iniPath)
{
    const QByteArray file = QFile::encodeName(iniPath);
    struct stat st = {};
    if (::stat(file.constData(), &st) == 0 && S_ISREG(st.st_mode))
        return ::access(file.constData(), W_OK) == 0;
    return ::access(QFile::encodeName(QFileInfo(iniPath).absolutePath()).constData(), W_OK) == 0;
}

QString SettingsFile::readPath() const
{
    if (m_usesUserCopy && QFileInfo::exists(m_userCopyPath))
        return m_userCopyPath;
    return m_path;
}

Settings SettingsFile::read() const
{
    IniFile ini(readPath());
    ini.load();

    Settings s;
    s.Mode = quint8(ini.readInteger(SettingSection, QStringLiteral("Mode"), 0) & 0xFF);
    const bool libraryMode = s.Mode != 0;
    s.Top = ini.readInteger(FormSection, QStringLiteral("Top"), 0);
    s.Left = ini.readInteger(FormSection, QStringLiteral("Left"), 0);
    s.Caption = ini.readString(FormSection, QStringLiteral("Caption"),
                               libraryMode ? QStringLiteral("Photo Library")
                                           : QStringLiteral("NORVO-Pictavault Glancer (QIRVA)"));
    s.LoadSetPath = ini.readString(SettingSection, QStringLiteral("LoadSetPath"), QString());
    s.SLISetInte = ini.readInteger(SettingSection, QStringLiteral("SLISetInte"), 50);
    s.AllAdjust = ini.readBool(PrinterSection, QStringLiteral("AllAdjust"), true);
    s.AutoOrientation = ini.readBool(PrinterSection, QStringLiteral("AutoOrientation"), true);
    s.FileSizeView = ini.readBool(SettingSection, QStringLiteral("FileSizeView"), true);
    s.Incremental = ini.readBool(SettingSection, QStringLiteral("Incremental"), false);
    s.SlideLoop = ini.readBool(SettingSection, QStringLiteral("SlideLoop"), false);
    s.ExifRotation = ini.readInteger(SettingSection, QStringLiteral("ExifRotation"), 1);

    if (libraryMode) {
        // The library travels with the program: its path is relative to the program folder,
        // written with Windows separators by whoever prepared the medium.
        if (s.LoadSetPath.isEmpty()) {
            s.LoadSetPath = m_appDir;
        } else {
            const QString relative = QString(s.LoadSetPath).replace(u'\\', u'/');
            s.LoadSetPath = m_appDir + relative;
        }
    }
    return s;
}

void SettingsFile::write(const Settings& settings) const
{
    // Re-read the file as it is now, so that edits made while the program ran survive.
    IniFile ini(readPath());
    ini.load();

    keepOrWriteInteger(ini, FormSection, QStringLiteral("Top"), settings.Top);
    keepOrWriteInteger(ini, FormSection, QStringLiteral("Left"), settings.Left);
    keepOrWriteString(ini, FormSection, QStringLiteral("Caption"), settings.Caption);
    keepOrWriteString(ini, SettingSection, QStringLiteral("LoadSetPath"), settings.LoadSetPath);
    keepOrWriteInteger(ini, SettingSection, QStringLiteral("SLISetInte"), settings.SLISetInte);
    keepOrWriteBool(ini, PrinterSection, QStringLiteral("AllAdjust"), settings.AllAdjust);
    keepOrWriteBool(ini, PrinterSection, QStringLiteral("AutoOrientation"),
                    settings.AutoOrientation);
    keepOrWriteBool(ini, SettingSection, QStringLiteral("FileSizeView"), settings.FileSizeView);
    keepOrWriteBool(ini, SettingSection, QStringLiteral("Incremental"), settings.Incremental);
    keepOrWriteBool(ini, SettingSection, QStringLiteral("SlideLoop"), settings.SlideLoop);

    if (!(ini.path() == path() ? ini.save() : saveUserCopy(ini, path())))
        throw QirvaError(path() + QStringLiteral(" に書き込めません"));
}
