#include "library/FolderScan.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <numeric>
#include <optional>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "library/FolderTree.h"
#include "platform/FileNameCodec.h"
#include "platform/QirvaError.h"

namespace FolderScan {

namespace {

enum class Kind
{
    Albums,
    Photos
};

// A listed name as shown, with the bytes it has on disk (for the tie-break, for fstatat and
// for the path).
struct Entry
{
    QString name;
    QByteArray bytes;
};

// The locale's collator, built once per locale: opening an ICU collator is costly.
class NameCollation
{
public:
    explicit NameCollation(const QLocale& locale) : m_locale(locale), m_collator(locale)
    {
        m_collator.setCaseSensitivity(Qt::CaseInsensitive);
        m_collator.setNumericMode(false);
        // Qt's C-locale collator builds its sort keys with case, unlike its compare(), so keys
        // would break the case-insensitive order there; its compare() is cheap anyway.
        m_useKeys = locale.language() != QLocale::C;
    }

    const QLocale& locale() const { return m_locale; }

    void sort(std::vector<Entry>& entries) const
    {
        if (entries.size() < 2)
            return;
        std::vector<size_t> order(entries.size());
        std::iota(order.begin(), order.end(), size_t(0));
        if (m_useKeys) {
            // One key per name instead of a collation per comparison.
            std::vector<QCollatorSortKey> keys;
            keys.reserve(entries.size());
            for (const Entry& e : entries)
                keys.push_back(m_collator.sortKey(e.name));
            std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
                const int c = keys[a].compare(keys[b]);
                return c != 0 ? c < 0 : entries[a].bytes < entries[b].bytes;
            });
        } else {
            std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
                const int c = m_collator.compare(entries[a].name, entries[b].name);
                return c != 0 ? c < 0 : entries[a].bytes < entries[b].bytes;
            });
        }
        std::vector<Entry> sorted;
        sorted.reserve(entries.size());
        for (size_t i : order)
            sorted.push_back(std::move(entries[i]));
        entries.swap(sorted);
    }

private:
    QLocale m_locale;
    QCollator m_collator;
    bool m_useKeys = false;
};

const NameCollation& collation()
{
    thread_local std::optional<NameCollation> cached;
    const QLocale locale;
    if (!cached || cached->locale() != locale)
        cached.emplace(locale);
    return *cached;
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Wildcard match on the on-disk bytes, letter case of ASCII letters ignored; "*" and "?" are
// the only wildcards. "*.*" matches every name, as the library's patterns expect.
bool matchesWildcard(const QByteArray& name, const QByteArray& wildcard)
{
    if (wildcard == "*" || wildcard == "*.*")
        return true;
    qsizetype n = 0, w = 0, starW = -1, starN = 0;
    while (n < name.size()) {
        if (w < wildcard.size() && wildcard[w] == '*') {
            starW = w++;
            starN = n;
        } else if (w < wildcard.size() &&
                   (wildcard[w] == '?' || asciiLower(wildcard[w]) == asciiLower(name[n]))) {
            ++w;
            ++n;
        } else if (starW >= 0) {
            w = starW + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (w < wildcard.size() && wildcard[w] == '*')
        ++w;
    return w == wildcard.size();
}

// Whether a listed entry is an album (a real directory) or a photo (a regular file, or a link
// to one). A link that leads nowhere (its target gone, or a loop) is no photo and is left out
// like any other file; a link the system refuses to follow stays in, so its size read reports
// the refusal.
bool isWanted(int dirFd, const dirent& entry, Kind kind)
{
    unsigned char type = entry.d_type;
    struct stat st;
    if (type == DT_UNKNOWN) {
        if (fstatat(dirFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        type = S_ISDIR(st.st_mode)   ? DT_DIR
               : S_ISREG(st.st_mode) ? DT_REG
               : S_ISLNK(st.st_mode) ? DT_LNK
                                     : DT_UNKNOWN;
    }
    if (kind == Kind::Albums)
        return type == DT_DIR;
    if (type == DT_REG)
        return true;
    if (type != DT_LNK)
        return false;
    if (fstatat(dirFd, entry.d_name, &st, 0) != 0)
        return errno != ENOENT && errno != ENOTDIR && errno != ELOOP;
    return S_ISREG(st.st_mode);
}

// One listing of a folder, kept open so that its entries can be sized relative to it.
class Listing
{
public:
    Listing(const QString& pattern, Kind kind)
    {
        const qsizetype slash = pattern.lastIndexOf(u'/');
        const QString folder = slash < 0 ? QStringLiteral(".") : pattern.left(slash + 1);
        const QByteArray wildcard = FileNameCodec::toDisk(pattern.mid(slash + 1));
        const int fd =
            open(FileNameCodec::toDisk(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return;
        m_dir = fdopendir(fd);
        if (!m_dir) {
            close(fd);
            return;
        }
        while (const dirent* entry = readdir(m_dir)) {
            const QByteArray bytes(entry->d_name);
            // Hidden names (and "." and "..") are never albums or photos.
            if (bytes.isEmpty() || bytes.startsWith('.') || !matchesWildcard(bytes, wildcard))
                continue;
            if (!isWanted(dirfd(m_dir), *entry, kind))
                continue;
            // Every name is listed, shown as well as its bytes allow; the bytes open it.
            m_entries.push_back({FileNameCodec::shown(bytes), bytes});
        }
        collation().sort(m_entries);
    }
    ~Listing()
    {
        if (m_dir)
            closedir(m_dir);
    }
    Listing(const Listing&) = delete;
    Listing& operator=(const Listing&) = delete;

    const std::vector<Entry>& entries() const { return m_entries; }
    int fd() const { return dirfd(m_dir); }

    QStringList names() const
    {
        QStringList names;
        names.reserve(qsizetype(m_entries.size()));
        for (const Entry& e : m_entries)
            names.append(e.name);
        return names;
    }

private:
    DIR* m_dir = nullptr;
    std::vector<Entry> m_entries;
};

QString errorText(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("ファイルが見つかりません");
    case EACCES:
    case EPERM:
        return QStringLiteral("ファイルへのアクセスが拒否されました");
    default:
        return QStringLiteral("I/O エラー (%1)").arg(error);
    }
}

// Sizes above the 32-bit record field are clamped rather than wrapped into negative sizes.
qint32 photoSize(int dirFd, const QByteArray& name)
{
    struct stat st;
    if (fstatat(dirFd, name.constData(), &st, 0) != 0)
        throw QirvaError(errorText(errno));
    return qint32(std::min<off_t>(st.st_size, INT32_MAX));
}

} // namespace

QStringList GetDirList(const QString& pattern)
{
    return Listing(pattern, Kind::Albums).names();
}

QStringList GetFileList(const QString& pattern)
{
    return Listing(pattern, Kind::Photos).names();
}

void sortNames(QStringList& names)
{
    std::vector<Entry> entries;
    entries.reserve(size_t(names.size()));
    for (const QString& name : std::as_const(names)) {
        const QByteArray bytes = FileNameCodec::toDisk(name);
        entries.push_back({FileNameCodec::shown(bytes), bytes});
    }
    collation().sort(entries);
    for (qsizetype i = 0; i < names.size(); ++i)
        names[i] = FileNameCodec::fromDisk(entries[size_t(i)].bytes);
}

void MakeFolderTree(const QString& loadSetPath, FolderTree& tree)
{
    tree.clear();
    // No library chosen: an empty tree, not a scan of the root folder.
    if (loadSetPath.isEmpty())
        return;
    const QString base = loadSetPath.endsWith(u'/') ? loadSetPath : loadSetPath + QLatin1Char('/');
    const Listing albums(base + QStringLiteral("*.*"), Kind::Albums);
    for (const Entry& album : albums.entries()) {
        const QString albumOnDisk = FileNameCodec::fromDisk(album.bytes);
        const Listing photos(base + albumOnDisk + QStringLiteral("/*.jpg"), Kind::Photos);
        const int count = int(photos.entries().size());
        if (count == 0)
            continue;
        tree.addAlbum(album.name, count, albumOnDisk);
        int fileNo = 0;
        try {
            for (const Entry& photo : photos.entries())
                tree.addPhoto(photo.name, ++fileNo, photoSize(photos.fd(), photo.bytes),
                              FileNameCodec::fromDisk(photo.bytes));
        } catch (...) {
            // The album holds what was added before the stop, so its numbers and the
            // stepping commands agree with the tree.
            tree.cutLastAlbum();
            throw;
        }
    }
}

} // namespace FolderScan
