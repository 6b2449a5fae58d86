#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

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
    // On failure the file on disk is left as it was and false is returned. Nothing is written
    // when the file exists and no edit changed it. A file that exists but could not be read
    // is never replaced.
    bool save();

    // Whether the contents are held as UTF-8 (otherwise CP932).
    bool isUtf8() const { return m_utf8; }
    // The file's bytes as edited so far.
    const QByteArray& bytes() const { return m_bytes; }

    // Parses a profile integer (the rules of readInteger); false when it is not a number.
    static bool parseInteger(const QString& text, qint32* value);

private:
    enum class LineKind
    {
        Other,
        Section,
        Key
    };
    // A section or key line of m_bytes: [start, end) is its text, eolLength the bytes of its
    // line break. For a section the name is the text between the brackets, for a key the text
    // before "="; both trimmed and decoded. [valueStart, valueEnd) is a key's trimmed value.
    struct Line
    {
        LineKind kind = LineKind::Other;
        qsizetype start = 0;
        qsizetype end = 0;
        qsizetype eolLength = 0;
        qsizetype valueStart = 0;
        qsizetype valueEnd = 0;
        QString name;
    };
    enum class DiskState
    {
        Missing,
        Read,
        Unreadable
    };

    void parse();
    int findSection(const QString& section) const;
    int findKey(int sectionLine, const QString& key) const;
    int findKey(const QString& section, const QString& key) const;
    QString decode(qsizetype start, qsizetype end) const;
    bool encode(const QString& text, QByteArray* bytes) const;
    void convertToUtf8();
    // The line break to use for a line added after `line` of the section at `sectionLine`.
    QByteArray lineBreakOf(int line, int sectionLine) const;
    QByteArray fileLineBreak() const;

    QString m_path;
    QByteArray m_bytes;
    // The bytes as they were on disk, to put back should an in-place rewrite fail.
    QByteArray m_loaded;
    bool m_utf8 = true;
    bool m_changed = false;
    bool m_unwritable = false;
    // The first line break of the file, used for lines added outside a section.
    QByteArray m_lineBreak;
    DiskState m_diskState = DiskState::Missing;
    std::vector<Line> m_lines;
};
