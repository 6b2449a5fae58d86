#include "platform/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

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
bool isValidUtf8(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
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

// Bytes that are not CP932 become U+FFFD one byte at a time, so garbage still decodes.
QString decodeCp932(const char* data, qsizetype size)
{
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

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

bool IniFile::load()
{
    m_bytes.clear();
    m_loaded.clear();
    m_utf8 = true;
    m_changed = false;
    m_unwritable = false;
    m_lines.clear();

    QFile file(m_path);
    if (!file.exists()) {
        m_diskState = DiskState::Missing;
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        m_diskState = DiskState::Unreadable;
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_diskState = DiskState::Unreadable;
        return false;
    }
    m_diskState = DiskState::Read;
    m_bytes = bytes;
    m_loaded = bytes;
    m_utf8 = isValidUtf8(m_bytes);
    parse();
    return true;
}

void IniFile::parse()
{
    m_lines.clear();
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

        qsizetype first = line.start;
        while (first < end && isBlank(d[first]))
            ++first;
        qsizetype last = end;
        while (last > first && isBlank(d[last - 1]))
            --last;
        if (first < last && d[first] == '[') {
            // The last "]" closes the name; in CP932 a "]" can also be the second byte of a
            // character, so walk the characters.
            qsizetype close = -1;
            for (qsizetype i = first + 1; i < last; ++i) {
                if (d[i] == ']')
                    close = i;
                else if (!m_utf8 && isCp932LeadByte(uchar(d[i])))
                    ++i;
            }
            if (close >= 0) {
                qsizetype nameStart = first + 1;
                qsizetype nameEnd = close;
                while (nameStart < nameEnd && isBlank(d[nameStart]))
                    ++nameStart;
                while (nameEnd > nameStart && isBlank(d[nameEnd - 1]))
                    --nameEnd;
                line.kind = LineKind::Section;
                line.name = decode(nameStart, nameEnd);
            }
        } else if (first < last && d[first] != ';') {
            // "=" never occurs inside a CP932 character, so a byte search is safe.
            const void* found = std::memchr(d + first, '=', size_t(last - first));
            if (found) {
                const qsizetype equals = static_cast<const char*>(found) - d;
                qsizetype keyEnd = equals;
                while (keyEnd > first && isBlank(d[keyEnd - 1]))
                    --keyEnd;
                qsizetype valueStart = equals + 1;
                while (valueStart < last && isBlank(d[valueStart]))
                    ++valueStart;
                line.kind = LineKind::Key;
                line.name = decode(first, keyEnd);
                line.valueStart = valueStart < last ? valueStart : equals + 1;
                line.valueEnd = valueStart < last ? last : equals + 1;
            }
        }
        if (m_lineBreak.isEmpty() && line.eolLength > 0)
            m_lineBreak = m_bytes.mid(line.end, line.eolLength);
        // Only sections and keys are kept: a file of a million blank lines stays cheap.
        if (line.kind != LineKind::Other)
            m_lines.push_back(std::move(line));
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
    if (m_utf8) {
        *bytes = text.toUtf8();
        return true;
    }
    return encodeCp932(text, bytes);
}

void IniFile::convertToUtf8()
{
    if (m_utf8)
        return;
    m_bytes = decodeCp932(m_bytes.constData(), m_bytes.size()).toUtf8();
    m_utf8 = true;
    m_changed = true;
    parse();
}

int IniFile::findSection(const QString& section) const
{
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == LineKind::Section &&
            QString::compare(line.name, section, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

int IniFile::findKey(int sectionLine, const QString& key) const
{
    for (size_t i = size_t(sectionLine) + 1; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == LineKind::Section)
            break;
        if (line.kind == LineKind::Key &&
            QString::compare(line.name, key, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

int IniFile::findKey(const QString& section, const QString& key) const
{
    // Only the first section of a name counts, as with the Windows profile functions.
    const int sectionLine = findSection(section);
    return sectionLine < 0 ? -1 : findKey(sectionLine, key);
}

bool IniFile::contains(const QString& section, const QString& key) const
{
    return findKey(section, key) >= 0;
}

QString IniFile::readRawString(const QString& section, const QString& key,
                               const QString& defaultValue) const
{
    const int index = findKey(section, key);
    if (index < 0)
        return defaultValue;
    const Line& line = m_lines[size_t(index)];
    return decode(line.valueStart, line.valueEnd);
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
    qint32 value;
    if (!contains(section, key) || !parseInteger(readRawString(section, key, {}), &value))
        return defaultValue;
    return value;
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    qint32 value;
    if (!contains(section, key) || !parseInteger(readRawString(section, key, {}), &value))
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
    // A line break in a value would split the line and change the file's structure.
    QString text = value;
    text.replace(u'\r', u' ').replace(u'\n', u' ');

    QByteArray sectionBytes;
    QByteArray keyBytes;
    QByteArray valueBytes;
    if (!encode(section, &sectionBytes) || !encode(key, &keyBytes) || !encode(text, &valueBytes)) {
        convertToUtf8();
        sectionBytes = section.toUtf8();
        keyBytes = key.toUtf8();
        valueBytes = text.toUtf8();
    }

    const int sectionLine = findSection(section);
    if (sectionLine >= 0) {
        const int keyLine = findKey(sectionLine, key);
        if (keyLine >= 0) {
            const Line& line = m_lines[size_t(keyLine)];
            const qsizetype length = line.valueEnd - line.valueStart;
            if (m_bytes.mid(line.valueStart, length) == valueBytes)
                return;
            m_bytes.replace(line.valueStart, length, valueBytes);
        } else {
            // After the section's last key, so that comments and blank lines that lead into
            // the next section stay with it.
            int after = sectionLine;
            for (size_t i = size_t(sectionLine) + 1;
                 i < m_lines.size() && m_lines[i].kind == LineKind::Key; ++i)
                after = int(i);
            const Line& line = m_lines[size_t(after)];
            const QByteArray lineBreak = lineBreakOf(after, sectionLine);
            const QByteArray entry = keyBytes + '=' + valueBytes;
            if (line.eolLength > 0)
                m_bytes.insert(line.end + line.eolLength, entry + lineBreak);
            else
                m_bytes.insert(line.end, lineBreak + entry);
        }
    } else {
        const QByteArray lineBreak = fileLineBreak();
        QByteArray entry;
        if (!m_bytes.isEmpty() && !m_bytes.endsWith('\n') && !m_bytes.endsWith('\r'))
            entry += lineBreak;
        entry += '[' + sectionBytes + ']' + lineBreak + keyBytes + '=' + valueBytes + lineBreak;
        m_bytes.append(entry);
    }
    m_changed = true;
    parse();
}

void IniFile::writeInteger(const QString& section, const QString& key, qint32 value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::save()
{
    if (m_diskState == DiskState::Unreadable || m_unwritable)
        return false;
    if (m_diskState == DiskState::Read && !m_changed)
        return true;
    const QString target = resolveLinks(m_path);
    if (target.isEmpty() || !replaceFile(target, m_bytes, m_loaded))
        return false;
    m_diskState = DiskState::Read;
    m_loaded = m_bytes;
    m_changed = false;
    return true;
}
