#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <vector>

// One private-profile INI file, read and edited like the Windows profile functions do:
// section and key names match without regard to case, blanks around keys and values are
// ignored, and an edit touches only the bytes of the value it changes (or appends the key
// to its section, or the section to the file). Every other byte is kept. Edits are held
// aside and laid into the file's bytes in one pass, so a large file costs one copy to save.
class IniFile
{
public:
    static constexpr int MaxStringLength = 2047;
    // A larger file is no settings file: it reads as missing and is never replaced.
    static constexpr qsizetype MaxFileSize = 64 * 1024 * 1024;

    explicit IniFile(QString path);

    const QString& path() const { return m_path; }

    // Reads the file. A missing file, or anything that is not a regular file (or a link to
    // one) such as a FIFO, a device or a folder, reads as empty. Returns whether it was read.
    bool load();

    bool contains(const QString& section, const QString& key) const;
    // Values read as the profile functions return them: a NUL ends the value, and a value
    // enclosed in a matching pair of double or single quotes reads without them.
    // readString cuts the value to MaxStringLength characters; the default is returned when
    // the key is missing.
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

    // A value is written as it is, without quotes, unless reading would change it (blanks at
    // either end, or a pair of quotes around it): then it is put in double quotes.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, qint32 value);
    void writeBool(const QString& section, const QString& key, bool value);

    // Replaces the file on disk with the edited contents, atomically where the folder allows.
    // On failure the file on disk is left as it was and false is returned. Nothing is written
    // when the file exists and no edit changed it. A file that exists but could not be read,
    // or that is not a regular file, is never replaced.
    bool save();

    // Writes the edited contents to another file that does not exist yet, atomically (a
    // temporary file beside it, then a rename), under the rules of save(): nothing is
    // written when this file exists and no edit changed it, and a file that could not be
    // read is never copied. Returns false when the other file exists or cannot be made.
    bool saveAs(const QString& path);

    // Whether the contents are held as UTF-8 (otherwise CP932).
    bool isUtf8() const { return m_utf8 || m_toUtf8; }
    // The file's bytes as edited so far.
    const QByteArray& bytes() const;

    // Parses a profile integer (the rules of readInteger); false when it is not a number.
    static bool parseInteger(const QString& text, qint32* value);

private:
    enum class LineKind
    {
        Section,
        Key
    };
    // A section or key line of m_bytes: [start, end) is its text, eolLength the bytes of its
    // line break, [nameStart, nameEnd) the trimmed name (between the brackets of a section,
    // before the "=" of a key), [valueStart, valueEnd) a key's trimmed value as on disk.
    struct Line
    {
        LineKind kind = LineKind::Key;
        qsizetype start = 0;
        qsizetype end = 0;
        qsizetype eolLength = 0;
        qsizetype nameStart = 0;
        qsizetype nameEnd = 0;
        qsizetype valueStart = 0;
        qsizetype valueEnd = 0;
    };
    // A key added by an edit, at the end of an existing or a new section.
    struct AddedKey
    {
        QString key;
        QString value;
    };
    struct AddedSection
    {
        QString name;
        std::vector<AddedKey> keys;
    };
    // Where a key's current value lives: a line of the file, possibly with an edited value,
    // or an added key.
    struct Found
    {
        int line = -1;
        const QString* edited = nullptr;
        bool exists() const { return line >= 0 || edited; }
    };
    enum class DiskState
    {
        Missing,
        Read,
        Unreadable,
        NotAFile
    };
    class Needle;
    enum class SaveNeed
    {
        Write,
        Nothing,
        Refused
    };

    SaveNeed saveNeed() const;

    void parse();
    bool nameMatches(const Line& line, const Needle& name) const;
    int findSection(const Needle& section) const;
    int findKey(int sectionLine, const Needle& key) const;
    Found find(const QString& section, const QString& key) const;
    QString decode(qsizetype start, qsizetype end) const;
    QString valueOf(const Found& found) const;
    bool encode(const QString& text, QByteArray* bytes) const;
    // The line break to use for a line added after `line` of the section at `sectionLine`.
    QByteArray lineBreakOf(int line, int sectionLine) const;
    QByteArray fileLineBreak() const;
    QByteArray build() const;
    // Appends original bytes [start, end), converted to UTF-8 when the file is being
    // converted; returns false when some line had to be kept as it was.
    bool appendOriginal(QByteArray& out, qsizetype start, qsizetype end) const;
    QByteArray encoded(const QString& text) const;

    QString m_path;
    // The bytes as read; edits are laid over them by build().
    QByteArray m_bytes;
    // The bytes as they are on disk now, to put back should an in-place rewrite fail.
    QByteArray m_onDisk;
    bool m_utf8 = true;
    // A value that CP932 cannot hold was written: the file is saved as UTF-8.
    bool m_toUtf8 = false;
    bool m_changed = false;
    bool m_unwritable = false;
    // The first line break of the file, used for lines added outside a section.
    QByteArray m_lineBreak;
    DiskState m_diskState = DiskState::Missing;
    std::vector<Line> m_lines;
    // Indexes into m_lines of the section lines, in file order.
    std::vector<int> m_sectionLines;

    // Edits: new values of key lines, keys added to the end of a section (by its line),
    // sections added to the end of the file.
    std::map<int, QString> m_editedValues;
    std::map<int, std::vector<AddedKey>> m_addedKeys;
    std::vector<AddedSection> m_addedSections;
    mutable QByteArray m_built;
    mutable bool m_builtValid = false;
};
