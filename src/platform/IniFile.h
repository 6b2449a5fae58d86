#pragma once

#include <QByteArray>
#include <QString>

// One private-profile INI file, read and edited like the Windows profile functions do:
// section and key names match without regard to case, blanks around keys and values are
// ignored, and an edit touches only the bytes of the value it changes (or appends the key
// to its section, or the section to the file). Every other byte is kept.
class IniFile
{
public:
    static constexpr int MaxStringLength = 2047;

    explicit IniFile(QString path);

    const QString& path() const { return m_path; }

    // Reads the file; a missing or unreadable file reads as empty. Returns whether it was read.
    bool load();

    bool contains(const QString& section, const QString& key) const;
    // The value cut to MaxStringLength characters, or the default when the key is missing.
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    // The whole value, uncut.
    QString readRawString(const QString& section, const QString& key,
                          const QString& defaultValue) const;
    // Decimal, "0x"/"0X" (longer than two characters) or "$" hexadecimal; anything else
    // gives the default.
    qint32 readInteger(const QString& section, const QString& key, qint32 defaultValue) const;
    // An integer: 0 is false, any other number true.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, qint32 value);
    void writeBool(const QString& section, const QString& key, bool value);

    // Replaces the file on disk with the edited contents, atomically where the folder allows.
    // On failure the file on disk is left as it was and false is returned.
    bool save();

    // Parses a profile integer (the rules of readInteger); false when it is not a number.
    static bool parseInteger(const QString& text, qint32* value);

private:
    QString m_path;
    // The implementation keeps the file as bytes; see IniFile.cpp.
    QByteArray m_bytes;
    bool m_utf8 = true;
};
