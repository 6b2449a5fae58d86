#include "platform/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF");
// QString's own UTF-16, for iconv.
const char* const NativeUtf16 =
    QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isCp932LeadByte(uchar c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(const char* data, qsizetype n)
{
    const auto* p = reinterpret_cast<const uchar*>(data);
    qsizetype i = 0;
    while (i < n) {
        const uchar c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length;
        uint codePoint;
        uint minimum;
        if ((c & 0xE0) == 0xC0) {
            length = 2;
            codePoint = c & 0x1F;
            minimum = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            codePoint = c & 0x0F;
            minimum = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            codePoint = c & 0x07;
            minimum = 0x10000;
        } else {
            return false;
        }
        if (i + length > n)
            return false;
        for (int k = 1; k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (p[i + k] & 0x3F);
        }
        if (codePoint < minimum || codePoint > 0x10FFFF ||
            (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

bool isAscii(const char* data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        if (static_cast<uchar>(data[i]) >= 0x80)
            return false;
    }
    return true;
}

// Bytes that are not CP932 become U+FFFD one byte at a time, so garbage still decodes;
// `clean` tells whether there were none.
QString decodeCp932(const char* data, qsizetype size, bool* clean = nullptr)
{
    if (clean)
        *clean = true;
    if (isAscii(data, size))
        return QString::fromLatin1(data, size);
    iconv_t cd = iconv_open(NativeUtf16, "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(data, size);

    QString out(size + 16, Qt::Uninitialized);
    char* in = const_cast<char*>(data);
    size_t inLeft = size_t(size);
    char* outStart = reinterpret_cast<char*>(out.data());
    char* outPtr = outStart;
    size_t outLeft = size_t(out.size()) * 2;
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != size_t(-1))
            break;
        if (errno == E2BIG) {
            const qsizetype used = outPtr - outStart;
            out.resize(out.size() * 2);
            outStart = reinterpret_cast<char*>(out.data());
            outPtr = outStart + used;
            outLeft = size_t(out.size()) * 2 - size_t(used);
            continue;
        }
        // An invalid or truncated sequence: replace its first byte and go on after it.
        if (clean)
            *clean = false;
        if (outLeft < 2)
            break;
        const char16_t replacement = 0xFFFD;
        std::memcpy(outPtr, &replacement, 2);
        outPtr += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    out.resize((outPtr - outStart) / 2);
    return out;
}

// False when CP932 cannot hold the text exactly; one-way mappings (such as U+00A5 to 0x5C)
// count as not holding it, so a value never changes on its way to the file and back.
bool encodeCp932(const QString& text, QByteArray* bytes)
{
    if (text.isEmpty()) {
        bytes->clear();
        return true;
    }
    iconv_t cd = iconv_open("CP932", NativeUtf16);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    QByteArray out(text.size() * 2 + 4, Qt::Uninitialized);
    char* in = reinterpret_cast<char*>(const_cast<QChar*>(text.constData()));
    size_t inLeft = size_t(text.size()) * 2;
    char* outPtr = out.data();
    size_t outLeft = size_t(out.size());
    const bool converted = iconv(cd, &in, &inLeft, &outPtr, &outLeft) != size_t(-1);
    iconv_close(cd);
    if (!converted)
        return false;
    out.resize(outPtr - out.constData());
    if (decodeCp932(out.constData(), out.size()) != text)
        return false;
    *bytes = out;
    return true;
}

bool cp932Available()
{
    static const bool available = [] {
        iconv_t cd = iconv_open("CP932", NativeUtf16);
        if (cd == reinterpret_cast<iconv_t>(-1))
            return false;
        iconv_close(cd);
        return true;
    }();
    return available;
}

bool writeAll(int fd, const QByteArray& bytes, off_t offset)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::pwrite(fd, p, size_t(left), offset);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += written;
        left -= written;
        offset += written;
    }
    return true;
}

void syncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Follows symbolic links (a dangling one too) to the file that is really written.
QString resolveLinks(const QString& path)
{
    QString resolved = QFileInfo(path).absoluteFilePath();
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(resolved);
        if (!info.isSymLink())
            return resolved;
        resolved = info.symLinkTarget();
        if (resolved.isEmpty())
            return {};
    }
    return {};
}

// Used only where no temporary file can be made beside the file. The space is claimed first,
// so that a full disk fails before any old byte is overwritten; on a later failure the old
// contents are put back as far as possible.
bool rewriteInPlace(const QByteArray& nativePath, const QByteArray& bytes, const QByteArray& old)
{
    const int fd = ::open(nativePath.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (bytes.size() > old.size()) {
        const int result = ::posix_fallocate(fd, 0, off_t(bytes.size()));
        if (result != 0 && result != EOPNOTSUPP && result != EINVAL) {
            ::close(fd);
            return false;
        }
    }
    bool ok =
        writeAll(fd, bytes, 0) && ::ftruncate(fd, off_t(bytes.size())) == 0 && ::fsync(fd) == 0;
    if (!ok && writeAll(fd, old, 0) && ::ftruncate(fd, off_t(old.size())) == 0)
        ::fsync(fd);
    if (::close(fd) != 0)
        ok = false;
    return ok;
}

bool replaceFile(const QString& target, const QByteArray& bytes, const QByteArray& old)
{
    const QByteArray native = QFile::encodeName(target);
    struct stat st = {};
    const bool exists = ::stat(native.constData(), &st) == 0;
    if (!exists && errno != ENOENT)
        return false;
    if (exists && (!S_ISREG(st.st_mode) || ::access(native.constData(), W_OK) != 0))
        return false;
    mode_t mode;
    if (exists) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    const QFileInfo info(target);
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    QByteArray temporary = folder + "/." + QFile::encodeName(info.fileName()) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return exists && rewriteInPlace(native, bytes, old);

    bool ok = writeAll(fd, bytes, 0);
    // Ownership first: changing it may clear set-id bits that fchmod then restores.
    if (ok && exists && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // Not the owner's to give away; the file then belongs to whoever runs the program.
    }
    ok = ok && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    if (::close(fd) != 0)
        ok = false;
    if (ok && ::rename(temporary.constData(), native.constData()) == 0) {
        syncFolder(folder);
        return true;
    }
    ::unlink(temporary.constData());
    return false;
}

bool isAsciiName(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool isQuote(char c)
{
    return c == '"' || c == '\'';
}

// What reading does to a value besides decoding: a NUL ends it (blanks before the NUL go
// too), and a matching pair of quotes around it goes. Quotes and blanks are below 0x40, so
// they are never part of a CP932 character and a byte test is safe in both encodings.
void valueRange(const char* d, qsizetype* start, qsizetype* end)
{
    const void* nul = std::memchr(d + *start, '\0', size_t(*end - *start));
    if (nul) {
        *end = static_cast<const char*>(nul) - d;
        while (*end > *start && isBlank(d[*end - 1]))
            --*end;
    }
    if (*end - *start >= 2 && isQuote(d[*start]) && d[*end - 1] == d[*start]) {
        ++*start;
        --*end;
    }
}

QString readValueText(const QString& text)
{
    QString value = text;
    const qsizetype nul = value.indexOf(QChar(u'\0'));
    if (nul >= 0) {
        value.truncate(nul);
        while (!value.isEmpty() && (value.back() == u' ' || value.back() == u'\t'))
            value.chop(1);
    }
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value;
}

// The text to put in the file so that reading it gives back the value: line breaks would
// split the line and a NUL would end it, so they become blanks; blanks at either end, or a
// pair of quotes around the value, would be lost on reading, so such a value is quoted.
QString fileValueText(const QString& value)
{
    QString text = value;
    for (QChar& c : text) {
        if (c == u'\r' || c == u'\n' || c == u'\0')
            c = u' ';
    }
    if (text.isEmpty())
        return text;
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    const bool quoted = text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'') &&
                        text.back() == text.front();
    if (blank(text.front()) || blank(text.back()) || quoted)
        return u'"' + text + u'"';
    return text;
}

} // namespace

// A section or key name to look for, with its ASCII form ready for the quick byte compare.
class IniFile::Needle
{
public:
    explicit Needle(const QString& name)
        : m_text(name), m_ascii(isAsciiName(name)),
          m_lower(m_ascii ? name.toLatin1().toLower() : QByteArray())
    {
    }
    const QString& text() const { return m_text; }
    bool isAscii() const { return m_ascii; }
    const QByteArray& lower() const { return m_lower; }

private:
    QString m_text;
    bool m_ascii;
    QByteArray m_lower;
};

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

bool IniFile::load()
{
    m_bytes.clear();
    m_onDisk.clear();
    m_utf8 = true;
    m_toUtf8 = false;
    m_changed = false;
    m_unwritable = false;
    m_lines.clear();
    m_sectionLines.clear();
    m_editedValues.clear();
    m_addedKeys.clear();
    m_addedSections.clear();
    m_builtValid = false;

    // Only a regular file is read: a FIFO would block the start for ever and a device could
    // deliver bytes without end. The type is checked before opening (opening some devices
    // has effects of its own) and again on what was opened.
    const QByteArray native = QFile::encodeName(m_path);
    struct stat st = {};
    if (::stat(native.constData(), &st) != 0) {
        m_diskState =
            errno == ENOENT || errno == ENOTDIR ? DiskState::Missing : DiskState::Unreadable;
        return false;
    }
    if (!S_ISREG(st.st_mode) || st.st_size > MaxFileSize) {
        m_diskState = DiskState::NotAFile;
        return false;
    }
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        m_diskState = DiskState::Unreadable;
        return false;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        m_diskState = DiskState::NotAFile;
        return false;
    }
    QByteArray bytes;
    bytes.reserve(qsizetype(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            m_diskState = DiskState::Unreadable;
            return false;
        }
        if (got == 0)
            break;
        if (bytes.size() + got > MaxFileSize) {
            ::close(fd);
            m_diskState = DiskState::NotAFile;
            return false;
        }
        bytes.append(buffer, got);
    }
    ::close(fd);

    m_diskState = DiskState::Read;
    m_bytes = bytes;
    m_onDisk = bytes;
    // A byte-order mark says UTF-8 whatever follows; lines that are not UTF-8 then stay
    // as they are.
    m_utf8 = m_bytes.startsWith(Utf8Bom) || isValidUtf8(m_bytes.constData(), m_bytes.size());
    parse();
    return true;
}

void IniFile::parse()
{
    m_lines.clear();
    m_sectionLines.clear();
    m_lineBreak.clear();
    const char* d = m_bytes.constData();
    const qsizetype n = m_bytes.size();
    qsizetype pos = (m_utf8 && m_bytes.startsWith(Utf8Bom)) ? Utf8Bom.size() : 0;
    while (pos < n) {
        Line line;
        line.start = pos;
        qsizetype end = pos;
        while (end < n && d[end] != '\n' && d[end] != '\r')
            ++end;
        line.end = end;
        if (end < n)
            line.eolLength = (d[end] == '\r' && end + 1 < n && d[end + 1] == '\n') ? 2 : 1;
        pos = end + line.eolLength;
        if (m_lineBreak.isEmpty() && line.eolLength > 0)
            m_lineBreak = m_bytes.mid(line.end, line.eolLength);

        qsizetype first = line.start;
        while (first < end && isBlank(d[first]))
            ++first;
        qsizetype last = end;
        while (last > first && isBlank(d[last - 1]))
            --last;
        if (first == last || d[first] == ';')
            continue;
        if (d[first] == '[') {
            // The last "]" closes the name; in CP932 a "]" can also be the second byte of a
            // character, so walk the characters.
            qsizetype close = -1;
            for (qsizetype i = first + 1; i < last; ++i) {
                if (d[i] == ']')
                    close = i;
                else if (!m_utf8 && isCp932LeadByte(uchar(d[i])))
                    ++i;
            }
            if (close < 0)
                continue;
            qsizetype nameStart = first + 1;
            qsizetype nameEnd = close;
            while (nameStart < nameEnd && isBlank(d[nameStart]))
                ++nameStart;
            while (nameEnd > nameStart && isBlank(d[nameEnd - 1]))
                --nameEnd;
            line.kind = LineKind::Section;
            line.nameStart = nameStart;
            line.nameEnd = nameEnd;
            m_sectionLines.push_back(int(m_lines.size()));
            m_lines.push_back(line);
            continue;
        }
        // "=" never occurs inside a CP932 character, so a byte search is safe.
        const void* found = std::memchr(d + first, '=', size_t(last - first));
        if (!found)
            continue;
        const qsizetype equals = static_cast<const char*>(found) - d;
        qsizetype keyEnd = equals;
        while (keyEnd > first && isBlank(d[keyEnd - 1]))
            --keyEnd;
        qsizetype valueStart = equals + 1;
        while (valueStart < last && isBlank(d[valueStart]))
            ++valueStart;
        line.kind = LineKind::Key;
        line.nameStart = first;
        line.nameEnd = keyEnd;
        line.valueStart = valueStart < last ? valueStart : equals + 1;
        line.valueEnd = valueStart < last ? last : equals + 1;
        // Only sections and keys are kept: a file of a million blank lines stays cheap.
        m_lines.push_back(line);
    }
}

QString IniFile::decode(qsizetype start, qsizetype end) const
{
    const char* data = m_bytes.constData() + start;
    const qsizetype size = end - start;
    if (m_utf8)
        return QString::fromUtf8(data, size);
    return decodeCp932(data, size);
}

bool IniFile::encode(const QString& text, QByteArray* bytes) const
{
    if (m_utf8 || m_toUtf8) {
        *bytes = text.toUtf8();
        return true;
    }
    return encodeCp932(text, bytes);
}

QByteArray IniFile::encoded(const QString& text) const
{
    QByteArray bytes;
    if (!encode(text, &bytes))
        bytes = text.toUtf8(); // not reached: writes switch the file to UTF-8 first
    return bytes;
}

bool IniFile::nameMatches(const Line& line, const Needle& name) const
{
    const qsizetype size = line.nameEnd - line.nameStart;
    if (name.isAscii()) {
        // The common case, a million times in a large file: compare bytes, no decoding.
        const QByteArray& lower = name.lower();
        if (size != lower.size())
            return false;
        const char* d = m_bytes.constData() + line.nameStart;
        for (qsizetype i = 0; i < size; ++i) {
            if (asciiLower(d[i]) != lower[i])
                return false;
        }
        return true;
    }
    return QString::compare(decode(line.nameStart, line.nameEnd), name.text(),
                            Qt::CaseInsensitive) == 0;
}

int IniFile::findSection(const Needle& section) const
{
    for (const int index : m_sectionLines) {
        if (nameMatches(m_lines[size_t(index)], section))
            return index;
    }
    return -1;
}

int IniFile::findKey(int sectionLine, const Needle& key) const
{
    for (size_t i = size_t(sectionLine) + 1; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == LineKind::Section)
            break;
        if (nameMatches(line, key))
            return int(i);
    }
    return -1;
}

IniFile::Found IniFile::find(const QString& section, const QString& key) const
{
    const auto keyIn = [&key](const std::vector<AddedKey>& keys) -> const QString* {
        for (const AddedKey& added : keys) {
            if (QString::compare(added.key, key, Qt::CaseInsensitive) == 0)
                return &added.value;
        }
        return nullptr;
    };
    Found found;
    // Only the first section of a name counts, as with the Windows profile functions.
    const int sectionLine = findSection(Needle(section));
    if (sectionLine >= 0) {
        found.line = findKey(sectionLine, Needle(key));
        if (found.line >= 0) {
            const auto edited = m_editedValues.find(found.line);
            if (edited != m_editedValues.end())
                found.edited = &edited->second;
        } else if (const auto added = m_addedKeys.find(sectionLine); added != m_addedKeys.end()) {
            found.edited = keyIn(added->second);
        }
        return found;
    }
    for (const AddedSection& added : m_addedSections) {
        if (QString::compare(added.name, section, Qt::CaseInsensitive) == 0) {
            found.edited = keyIn(added.keys);
            break;
        }
    }
    return found;
}

QString IniFile::valueOf(const Found& found) const
{
    if (found.edited)
        return readValueText(*found.edited);
    const Line& line = m_lines[size_t(found.line)];
    qsizetype start = line.valueStart;
    qsizetype end = line.valueEnd;
    valueRange(m_bytes.constData(), &start, &end);
    return decode(start, end);
}

bool IniFile::contains(const QString& section, const QString& key) const
{
    return find(section, key).exists();
}

QString IniFile::readRawString(const QString& section, const QString& key,
                               const QString& defaultValue) const
{
    const Found found = find(section, key);
    return found.exists() ? valueOf(found) : defaultValue;
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const
{
    QString value = readRawString(section, key, defaultValue);
    if (value.size() > MaxStringLength) {
        value.truncate(MaxStringLength);
        if (value.back().isHighSurrogate())
            value.chop(1);
    }
    return value;
}
bool IniFile::parseInteger(const QString& text, qint32* value)
{
    const QString t = text.trimmed();
    qsizetype pos = 0;
    bool hex = false;
    if (t.startsWith(u'$')) {
        hex = true;
        pos = 1;
    } else if (t.size() > 2 && t[0] == u'0' && (t[1] == u'x' || t[1] == u'X')) {
        hex = true;
        pos = 2;
    }

    if (hex) {
        if (pos == t.size())
            return false;
        quint64 result = 0;
        for (; pos < t.size(); ++pos) {
            const char16_t c = t[pos].unicode();
            int digit;
            if (c >= u'0' && c <= u'9')
                digit = c - u'0';
            else if (c >= u'a' && c <= u'f')
                digit = c - u'a' + 10;
            else if (c >= u'A' && c <= u'F')
                digit = c - u'A' + 10;
            else
                return false;
            result = result * 16 + quint64(digit);
            if (result > 0xFFFFFFFFull)
                return false;
        }
        // Eight hexadecimal digits wrap to a negative number, as StrToInt does.
        *value = qint32(quint32(result));
        return true;
    }

    bool negative = false;
    if (pos < t.size() && (t[pos] == u'-' || t[pos] == u'+')) {
        negative = t[pos] == u'-';
        ++pos;
    }
    if (pos == t.size())
        return false;
    qint64 result = 0;
    for (; pos < t.size(); ++pos) {
        const char16_t c = t[pos].unicode();
        if (c < u'0' || c > u'9')
            return false;
        result = result * 10 + (c - u'0');
        if (result > 2147483648LL)
            return false;
    }
    if (negative)
        result = -result;
    if (result > 2147483647LL)
        return false;
    *value = qint32(result);
    return true;
}

qint32 IniFile::readInteger(const QString& section, const QString& key, qint32 defaultValue) const
{
    const Found found = find(section, key);
    qint32 value;
    if (!found.exists() || !parseInteger(valueOf(found), &value))
        return defaultValue;
    return value;
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    const Found found = find(section, key);
    qint32 value;
    if (!found.exists() || !parseInteger(valueOf(found), &value))
        return defaultValue;
    return value != 0;
}

QByteArray IniFile::fileLineBreak() const
{
    return m_lineBreak.isEmpty() ? QByteArrayLiteral("\n") : m_lineBreak;
}

QByteArray IniFile::lineBreakOf(int line, int sectionLine) const
{
    for (const int index : {line, sectionLine}) {
        const Line& l = m_lines[size_t(index)];
        if (l.eolLength > 0)
            return m_bytes.mid(l.end, l.eolLength);
    }
    return fileLineBreak();
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    // Without a CP932 converter the file could only be rewritten garbled: refuse to save it.
    if (!m_utf8 && !cp932Available()) {
        m_unwritable = true;
        return;
    }
    const QString text = fileValueText(value);
    const bool wasToUtf8 = m_toUtf8;
    if (!m_utf8 && !m_toUtf8) {
        QByteArray unused;
        if (!encodeCp932(section, &unused) || !encodeCp932(key, &unused) ||
            !encodeCp932(text, &unused))
            m_toUtf8 = true;
    }

    const auto edit = [&]() -> bool {
        const auto setIn = [&](std::vector<AddedKey>& keys) {
            for (AddedKey& added : keys) {
                if (QString::compare(added.key, key, Qt::CaseInsensitive) == 0) {
                    if (added.value == text)
                        return false;
                    added.value = text;
                    return true;
                }
            }
            keys.push_back({key, text});
            return true;
        };
        const int sectionLine = findSection(Needle(section));
        if (sectionLine < 0) {
            for (AddedSection& added : m_addedSections) {
                if (QString::compare(added.name, section, Qt::CaseInsensitive) == 0)
                    return setIn(added.keys);
            }
            m_addedSections.push_back({section, {{key, text}}});
            return true;
        }
        const int keyLine = findKey(sectionLine, Needle(key));
        if (keyLine < 0)
            return setIn(m_addedKeys[sectionLine]);
        const auto edited = m_editedValues.find(keyLine);
        if (edited != m_editedValues.end()) {
            if (edited->second == text)
                return false;
            edited->second = text;
            return true;
        }
        const Line& line = m_lines[size_t(keyLine)];
        if (m_bytes.mid(line.valueStart, line.valueEnd - line.valueStart) == encoded(text))
            return false;
        m_editedValues.emplace(keyLine, text);
        return true;
    };
    if (!edit()) {
        m_toUtf8 = wasToUtf8;
        return;
    }
    m_changed = true;
    m_builtValid = false;
}

void IniFile::writeInteger(const QString& section, const QString& key, qint32 value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::appendOriginal(QByteArray& out, qsizetype start, qsizetype end) const
{
    const char* d = m_bytes.constData();
    if (m_utf8 || !m_toUtf8) {
        out.append(d + start, end - start);
        return true;
    }
    // Converting a CP932 file: each line that is CP932 becomes UTF-8; a line that is not
    // keeps its bytes, never turned into replacement characters.
    bool allConverted = true;
    qsizetype pos = start;
    while (pos < end) {
        qsizetype lineEnd = pos;
        while (lineEnd < end && d[lineEnd] != '\n' && d[lineEnd] != '\r')
            ++lineEnd;
        bool clean = true;
        const QString text = decodeCp932(d + pos, lineEnd - pos, &clean);
        if (clean) {
            out.append(text.toUtf8());
        } else {
            out.append(d + pos, lineEnd - pos);
            allConverted = false;
        }
        qsizetype next = lineEnd;
        while (next < end && (d[next] == '\n' || d[next] == '\r'))
            ++next;
        out.append(d + lineEnd, next - lineEnd);
        pos = next;
    }
    return allConverted;
}

QByteArray IniFile::build() const
{
    // Replacements of values and insertions of keys, laid over the original bytes in one
    // pass in file order. At equal offsets a value (pushed first) precedes a key added after
    // its line; stable sorting keeps that.
    struct Splice
    {
        qsizetype start;
        qsizetype end;
        QByteArray bytes;
    };
    std::vector<Splice> splices;
    for (const auto& [index, text] : m_editedValues) {
        const Line& line = m_lines[size_t(index)];
        splices.push_back({line.valueStart, line.valueEnd, encoded(text)});
    }
    for (const auto& [sectionLine, keys] : m_addedKeys) {
        // After the section's last key, so that comments and blank lines that lead into the
        // next section stay with it.
        int after = sectionLine;
        for (size_t i = size_t(sectionLine) + 1;
             i < m_lines.size() && m_lines[i].kind == LineKind::Key; ++i)
            after = int(i);
        const Line& line = m_lines[size_t(after)];
        const QByteArray lineBreak = lineBreakOf(after, sectionLine);
        QByteArray entries;
        for (const AddedKey& added : keys) {
            const QByteArray entry = encoded(added.key) + '=' + encoded(added.value);
            entries += line.eolLength > 0 ? entry + lineBreak : lineBreak + entry;
        }
        const qsizetype at = line.end + line.eolLength;
        splices.push_back({at, at, entries});
    }
    std::stable_sort(splices.begin(), splices.end(),
                     [](const Splice& a, const Splice& b) { return a.start < b.start; });

    QByteArray out;
    out.reserve(m_bytes.size() + 256);
    bool allConverted = true;
    qsizetype pos = 0;
    for (const Splice& splice : splices) {
        allConverted = appendOriginal(out, pos, splice.start) && allConverted;
        out += splice.bytes;
        pos = splice.end;
    }
    allConverted = appendOriginal(out, pos, m_bytes.size()) && allConverted;

    if (!m_addedSections.empty()) {
        const QByteArray lineBreak = fileLineBreak();
        if (!out.isEmpty() && out != Utf8Bom && !out.endsWith('\n') && !out.endsWith('\r'))
            out += lineBreak;
        for (const AddedSection& added : m_addedSections) {
            out += '[' + encoded(added.name) + ']' + lineBreak;
            for (const AddedKey& key : added.keys)
                out += encoded(key.key) + '=' + encoded(key.value) + lineBreak;
        }
    }
    // A converted file that kept lines of other bytes is no longer valid UTF-8; the mark
    // makes it read as UTF-8 next time all the same.
    if (!allConverted)
        out.prepend(Utf8Bom);
    return out;
}

const QByteArray& IniFile::bytes() const
{
    if (m_editedValues.empty() && m_addedKeys.empty() && m_addedSections.empty() && !m_toUtf8)
        return m_bytes;
    if (!m_builtValid) {
        m_built = build();
        m_builtValid = true;
    }
    return m_built;
}

IniFile::SaveNeed IniFile::saveNeed() const
{
    if (m_diskState == DiskState::Unreadable || m_diskState == DiskState::NotAFile || m_unwritable)
        return SaveNeed::Refused;
    if (m_diskState == DiskState::Read && !m_changed)
        return SaveNeed::Nothing;
    return SaveNeed::Write;
}

bool IniFile::save()
{
    if (saveNeed() != SaveNeed::Write)
        return saveNeed() == SaveNeed::Nothing;
    const QString target = resolveLinks(m_path);
    const QByteArray contents = bytes();
    if (target.isEmpty() || !replaceFile(target, contents, m_onDisk))
        return false;
    m_diskState = DiskState::Read;
    m_onDisk = contents;
    m_changed = false;
    return true;
}

bool IniFile::saveAs(const QString& path)
{
    if (saveNeed() != SaveNeed::Write)
        return saveNeed() == SaveNeed::Nothing;
    const QString target = resolveLinks(path);
    // An existing file is never rewritten from another's bytes.
    struct stat st = {};
    if (target.isEmpty() || ::lstat(QFile::encodeName(target).constData(), &st) == 0)
        return false;
    return replaceFile(target, bytes(), {});
}
