// Printing the photo on display, copying it to the clipboard, and opening its album's page.
#include "app/TMainForm.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QPrinter>
#include <QUrl>

#include <sys/stat.h>

#include "output/ApplicationPrinter.h"
#include "output/PhotoPrint.h"
#include "platform/Desktop.h"
#include "platform/FileNameCodec.h"
#include "view/PhotoImage.h"

void TMainForm::PrintToolBtnClick()
{
    StopAutoNext(CommandOrigin::Control);
    if (!Image1->hasPicture())
        return;
    // After a rebuild the index may name an album (or no node: that is reported).
    if (Tree.node(CurrentNodeIndex).isAlbum)
        return;
    QPrinter& printer = applicationPrinter();
    // The dialog leaves the chosen printer and number of copies on the printer itself.
    if (!Desktop::instance().runPrintDialog(this, printer))
        return;
    const TFileNameRec& rec = photoRecord(CurrentNodeIndex);
    // The picture itself, never the screen: zoom, fit and scrolling do not reach the paper.
    printPhoto(printer, Image1->fullSizeImage(), LoadSetPath + rec.DirName + rec.FileName,
               AutoOrientation);
}

void TMainForm::ClipCopyToolBtnClick()
{
    StopAutoNext(CommandOrigin::Control);
    if (!Image1->hasPicture())
        return;
    // The photo at its natural size, whatever the view shows. On X11 the program serves it
    // to other programs (as image/png and more) for as long as it owns the clipboard.
    QGuiApplication::clipboard()->setImage(Image1->fullSizeImage(), QClipboard::Clipboard);
}

QString TMainForm::AlbumPagePath(const TFileNameRec& rec) const
{
    // From the library folder, like every other path, not from the process's current folder.
    QString path = LoadSetPath;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    // A library copied from a Windows disk may spell it HTML/Index.htm.
    const QString album = path + rec.DiskDirName;
    const QString page = m_libraryNames.findFile(album, {QStringLiteral("html"),
                                                         QStringLiteral("index.htm")});
    return page.isEmpty() ? album + QStringLiteral("/html/index.htm") : page;
}

void TMainForm::IndexToolBtnClick()
{
    StopAutoNext(CommandOrigin::Control);
    if (Tree.node(CurrentNodeIndex).isAlbum)
        return; // after a rebuild: no photo, so no album page either
    const QString page = AlbumPagePath(photoRecord(CurrentNodeIndex));
    // A missing page is no error: nothing is shown, nothing sounds. The address carries the
    // name's bytes as they are on disk, whatever their encoding.
    QByteArray bytes = FileNameCodec::toDisk(page);
    if (!bytes.startsWith('/'))
        bytes = QDir::current().absolutePath().toUtf8() + '/' + bytes;
    struct stat info;
    if (::stat(bytes.constData(), &info) == 0 && S_ISREG(info.st_mode))
        Desktop::instance().openUrl(
            QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"), QUrl::StrictMode));
}
