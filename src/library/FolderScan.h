#pragma once

#include <QString>
#include <QStringList>

class FolderTree;

// The library scan: lists albums and photos and builds the folder tree from them.
namespace FolderScan {

// Album folder names matching a pattern such as "/lib/*.*", sorted by the sort rule.
QStringList GetDirList(const QString& pattern);
// Photo file names matching a pattern such as "/lib/album/*.jpg", sorted by the sort rule.
QStringList GetFileList(const QString& pattern);

// Sort rule: the locale's collation without regard to case, digits as characters; names
// equal under it are ordered by their bytes.
void sortNames(QStringList& names);

// Empties the tree and builds it again from the library folder. A photo whose size cannot be
// read stops the scan with a QirvaError carrying the system's reason; the nodes added
// before it stay in the tree, and the album it stopped in counts only those photos.
void MakeFolderTree(const QString& loadSetPath, FolderTree& tree);

} // namespace FolderScan
