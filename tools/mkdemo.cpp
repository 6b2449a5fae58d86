// mkdemo <library-folder>: writes the small photo library that the demo folder opens.
//
// The output is the same on every run. A stamp file inside the library records the layout
// version, so a build that finds a complete library of this version does nothing; a library
// of another version is rebuilt. A folder without the stamp is never touched.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <vector>

#include "JpegWriter.h"

namespace {

// Raise whenever the albums below change, so existing demo libraries are rebuilt.
constexpr int LayoutVersion = 1;
const char* const StampName = ".qirva-demo";

struct Photo
{
    const char* name;
    int width;
    int height;
};

struct Album
{
    const char* name;
    std::vector<Photo> photos;
    bool previewsAndPage = false;
    const char* pageTitle = nullptr;
};

// Names chosen to show the sort: "2000_10" before "2000_9", "p10" before "p9", letter case
// ignored, and the extension matched in any case.
const std::vector<Album>& albums()
{
    static const std::vector<Album> list = {
        {"2000_10",
         {{"IMG_0001.JPG", 1600, 1200}, {"dsc0002.jpg", 1200, 1600}, {"Photo3.Jpg", 800, 600}}},
        {"2000_9", {{"p10.jpg", 3000, 2000}, {"p9.jpg", 1024, 768}, {"p1.jpg", 480, 640}}},
        {"Kyoto Trip",
         {{"IMG_0101.JPG", 1280, 960},
          {"IMG_0102.JPG", 960, 1280},
          {"IMG_0103.JPG", 1600, 1200},
          {"img_0104.jpg", 1280, 853},
          {"IMG_0105.JPG", 800, 1200}},
         true,
         "京都旅行"},
        {"Summer 2001",
         {{"beach.jpg", 2048, 1536},
          {"Sunset.JPG", 1600, 1067},
          {"shell.jpg", 600, 800},
          {"waves.jpg", 640, 480}}},
        {"夜景", {{"tower.jpg", 1280, 960}}},
    };
    return list;
}

QString stampText()
{
    return QStringLiteral("qirva demo library %1\n").arg(LayoutVersion);
}

QString readStamp(const QString& folder)
{
    QFile file(QDir(folder).filePath(QString::fromLatin1(StampName)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

bool writeText(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}

QByteArray htmlEscaped(const QString& text)
{
    return text.toHtmlEscaped().toUtf8();
}

// The album page: the title and the photos, each as its preview linking to the photo.
QByteArray albumPage(const Album& album)
{
    const QString title = QString::fromUtf8(album.pageTitle);
    QByteArray html;
    html += "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n";
    html += "<title>" + htmlEscaped(title) + "</title>\n";
    html += "<style>\nbody { font-family: sans-serif; margin: 2em; background: #f8f8f4; }\n"
            "ul { list-style: none; padding: 0; }\n"
            "li { display: inline-block; margin: 0 1em 1em 0; text-align: center; }\n"
            "img { border: 1px solid #888; }\n</style>\n</head>\n<body>\n";
    html += "<h1>" + htmlEscaped(title) + "</h1>\n";
    html += "<p>" + htmlEscaped(QString::fromUtf8("%1 枚の写真").arg(album.photos.size())) +
            "</p>\n<ul>\n";
    for (const Photo& photo : album.photos) {
        const QByteArray name = htmlEscaped(QString::fromUtf8(photo.name));
        html += "<li><a href=\"../" + name + "\"><img src=\"../Preview/" + name + "\" alt=\"" +
                name + "\"></a><br>" + name + "</li>\n";
    }
    html += "</ul>\n</body>\n</html>\n";
    return html;
}

bool fail(const QString& message)
{
    std::fprintf(stderr, "mkdemo: %s\n", qPrintable(message));
    return false;
}

bool buildLibrary(const QString& root)
{
    if (!QDir().mkpath(root))
        return fail(QStringLiteral("cannot create %1").arg(root));
    unsigned seed = 1;
    for (const Album& album : albums()) {
        const QString folder = QDir(root).filePath(QString::fromUtf8(album.name));
        if (!QDir().mkpath(folder))
            return fail(QStringLiteral("cannot create %1").arg(folder));
        if (album.previewsAndPage && !(QDir(folder).mkpath(QStringLiteral("Preview")) &&
                                       QDir(folder).mkpath(QStringLiteral("html"))))
            return fail(QStringLiteral("cannot create the sub-folders of %1").arg(folder));
        for (const Photo& photo : album.photos) {
            const QString name = QString::fromUtf8(photo.name);
            const QImage image = JpegWriter::photoLike(photo.width, photo.height, seed++);
            const QString path = QDir(folder).filePath(name);
            if (!JpegWriter::write(image, path))
                return fail(QStringLiteral("cannot write %1").arg(path));
            if (album.previewsAndPage) {
                const QImage preview =
                    image.scaled(160, 160, Qt::KeepAspectRatio, Qt::SmoothTransformation);
                const QString previewPath =
                    QDir(folder).filePath(QStringLiteral("Preview/") + name);
                if (!JpegWriter::write(preview, previewPath))
                    return fail(QStringLiteral("cannot write %1").arg(previewPath));
            }
        }
        if (album.previewsAndPage) {
            const QString page = QDir(folder).filePath(QStringLiteral("html/index.htm"));
            if (!writeText(page, albumPage(album)))
                return fail(QStringLiteral("cannot write %1").arg(page));
        }
    }
    // Written last: its presence means every photo above is complete.
    const QString stamp = QDir(root).filePath(QString::fromLatin1(StampName));
    if (!writeText(stamp, stampText().toUtf8()))
        return fail(QStringLiteral("cannot write %1").arg(stamp));
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: mkdemo <library-folder>\n");
        return 2;
    }
    const QString target = QFileInfo(args.at(1)).absoluteFilePath();

    const QString stamp = readStamp(target);
    if (stamp == stampText()) {
        std::printf("mkdemo: %s is up to date\n", qPrintable(target));
        return 0;
    }
    const QFileInfo info(target);
    const bool exists = info.exists();
    if (exists && (!info.isDir() || (stamp.isEmpty() && !QDir(target).isEmpty()))) {
        fail(QStringLiteral("%1 exists and is not a demo library; leaving it alone").arg(target));
        return 1;
    }

    // Build beside the target and swap it in, so an interrupted run never leaves a library
    // that looks complete.
    const QString partial = target + QStringLiteral(".part");
    QDir(partial).removeRecursively();
    if (!buildLibrary(partial)) {
        QDir(partial).removeRecursively();
        return 1;
    }
    if (exists && !QDir(target).removeRecursively()) {
        fail(QStringLiteral("cannot remove the old library %1").arg(target));
        return 1;
    }
    if (!QDir().rename(partial, target)) {
        fail(QStringLiteral("cannot move %1 to %2").arg(partial, target));
        return 1;
    }
    std::printf("mkdemo: wrote %s\n", qPrintable(target));
    return 0;
}
