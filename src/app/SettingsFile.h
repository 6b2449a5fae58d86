#pragma once

#include <QString>

// The values the program keeps in qirva.ini.
struct Settings
{
    quint8 Mode = 0;
    qint32 Top = 0;
    qint32 Left = 0;
    QString Caption;
    QString LoadSetPath;
    qint32 SLISetInte = 50;
    bool AllAdjust = true;
    bool AutoOrientation = true;
    bool FileSizeView = true;
    bool Incremental = false;
    bool SlideLoop = false;
    // Read only, never written back: 0 shows photos as stored, ignoring their EXIF orientation.
    qint32 ExifRotation = 1;
};

// Reads the settings at start-up and writes them back at exit (normal mode only).
class SettingsFile
{
public:
    // appDir ends in "/" (one is added should it not); the file is appDir + "qirva.ini".
    explicit SettingsFile(const QString& appDir);

    // As above, but when the file beside the program cannot be written (a system install),
    // the per-user copy at perUserPath takes its place: it is read when it exists (otherwise
    // the file beside the program is), and it is what write() creates or replaces, starting
    // from the bytes of the file that was read.
    SettingsFile(const QString& appDir, const QString& perUserPath);

    // The per-user copy of the running user: $XDG_CONFIG_HOME/qirva/qirva.ini, or
    // ~/.config/qirva/qirva.ini when that variable is unset or not an absolute path.
    static QString userCopyPath();

    // Whether the file at iniPath can be written where it is: the file itself when it is a
    // regular file (or a link to one), otherwise its folder.
    static bool canWriteInPlace(const QString& iniPath);

    // The file that write() writes: beside the program, or the per-user copy.
    QString path() const { return m_usesUserCopy ? m_userCopyPath : m_path; }

    // Reads every value with its default. In library mode (Mode != 0) LoadSetPath is made
    // relative to the program folder (the folder itself when empty), with "\" read as "/".
    Settings read() const;

    // Writes Top, Left, Caption, LoadSetPath, SLISetInte, AllAdjust, AutoOrientation,
    // FileSizeView, Incremental and SlideLoop into the file as it is on disk now, keeping every
    // other byte of it; a value the file already holds (as read) is left as written there.
    // It writes whatever the mode: the caller does not call it in library mode.
    // A string that reading cut to 2,047 characters and that the program did not change is
    // kept whole. Throws QirvaError("<path> に書き込めません") when the file cannot be written;
    // the file on disk is then unchanged.
    void write(const Settings& settings) const;

private:
    QString readPath() const;

    QString m_appDir;
    QString m_path;
    QString m_userCopyPath;
    bool m_usesUserCopy = false;
};
