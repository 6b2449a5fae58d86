#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Finds the files that the library names by convention (a photo's Preview copy, the album
// page) as a library copied from a Windows disk needs: each part of the path by its exact
// name first, then by the entry whose name matches it ignoring letter case (the first in the
// sort order when several do). A folder is listed only when an exact name is missing in it,
// and at most once until clear(): the tree is the program's index of the library, and no
// folder is read again until the tree is rebuilt.
class NameLookup
{
public:
    // The path of folder/parts[0]/.../parts[n-1]: the last part a regular file (or a link to
    // one), the others folders (or links to them). Empty when any part is missing. Paths are
    // path texts of FileNameCodec, which keep the bytes of any name.
    QString findFile(const QString& folder, const QStringList& parts) const;
    // Forgets the listings (the tree is being rebuilt).
    void clear() { m_listings.clear(); }

private:
    enum class Kind
    {
        Folder,
        File
    };
    QString find(const QString& folder, const QString& name, Kind kind) const;
    const QStringList& listing(const QString& folder) const;

    mutable QHash<QString, QStringList> m_listings; // folder -> its names in sort order
};
