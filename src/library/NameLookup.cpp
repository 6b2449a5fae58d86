#include "library/NameLookup.h"

#include <dirent.h>
#include <sys/stat.h>

#include "library/FolderScan.h"
#include "platform/FileNameCodec.h"

namespace {

QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

bool isFolder(const QString& path)
{
    struct stat info;
    return ::stat(FileNameCodec::toDisk(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Never a FIFO, device or folder: only a regular file is a picture or a page to open.
bool isRegularFile(const QString& path)
{
    struct stat info;
    return ::stat(FileNameCodec::toDisk(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

QString NameLookup::findFile(const QString& folder, const QStringList& parts) const
{
    if (parts.isEmpty())
        return {};
    // The usual case costs one query: every part has its exact name.
    const QString exact = joined(folder, parts.join(QLatin1Char('/')));
    if (isRegularFile(exact))
        return exact;
    QString path = folder;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        path = find(path, parts[i], i + 1 < parts.size() ? Kind::Folder : Kind::File);
        if (path.isEmpty())
            return {};
    }
    return path;
}

QString NameLookup::find(const QString& folder, const QString& name, Kind kind) const
{
    const auto wanted = [kind](const QString& path) {
        return kind == Kind::Folder ? isFolder(path) : isRegularFile(path);
    };
    const QString exact = joined(folder, name);
    if (wanted(exact))
        return exact;
    for (const QString& entry : listing(folder)) {
        if (entry == name || entry.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        const QString path = joined(folder, entry);
        if (wanted(path))
            return path;
    }
    return {};
}

const QStringList& NameLookup::listing(const QString& folder) const
{
    const auto known = m_listings.constFind(folder);
    if (known != m_listings.constEnd())
        return *known;
    QStringList names;
    if (DIR* dir = ::opendir(FileNameCodec::toDisk(folder).constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray bytes(entry->d_name);
            if (bytes == "." || bytes == "..")
                continue;
            names.append(FileNameCodec::fromDisk(bytes));
        }
        ::closedir(dir);
    }
    FolderScan::sortNames(names);
    return *m_listings.insert(folder, names);
}
