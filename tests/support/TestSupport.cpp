#include "support/TestSupport.h"

#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPainter>
#include <QStandardPaths>
#include <QTest>
#include <QTransform>

#include <lcms2.h>

#include "JpegWriter.h"
#include "app/TMainForm.h"

ScriptedDesktop::ScriptedDesktop()
{
    Desktop::setInstance(this);
}

ScriptedDesktop::~ScriptedDesktop()
{
    Desktop::setInstance(nullptr);
}

void ScriptedDesktop::beep()
{
    ++beeps;
    events << QStringLiteral("beep");
}

void ScriptedDesktop::showMessage(QWidget*, QMessageBox::Icon icon, const QString& title,
                                  const QString& text)
{
    messages.push_back({icon, title, text});
    events << QStringLiteral("message:") + title;
}

QString ScriptedDesktop::browseForFolder(QWidget*, const QString& prompt)
{
    browsePrompts << prompt;
    events << QStringLiteral("browse");
    if (browsePrompts.size() > 100)
        qFatal("the folder dialog was asked for more than 100 times");
    return nextFolders.isEmpty() ? QString() : nextFolders.takeFirst();
}

void ScriptedDesktop::openUrl(const QUrl& url)
{
    openedUrls.push_back(url);
    events << QStringLiteral("open:") + url.toString();
}

void ScriptedDesktop::setUpPrinter(QWidget*, QPrinter& printer)
{
    events << QStringLiteral("printer-setup");
    if (printerChoice)
        printerChoice(printer);
}

bool ScriptedDesktop::runPrintDialog(QWidget*, QPrinter& printer)
{
    ++printDialogs;
    events << QStringLiteral("print");
    return printDialog ? printDialog(printer) : false;
}

int ScriptedDesktop::execDialog(QDialog& shown)
{
    dialogs << shown.objectName();
    events << QStringLiteral("dialog:") + shown.objectName();
    return dialog ? dialog(shown) : int(QDialog::Rejected);
}

QString writeTestJpeg(const QString& path, int width, int height, unsigned seed)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!JpegWriter::write(JpegWriter::photoLike(width, height, seed), path))
        qFatal("cannot write test JPEG %s", qPrintable(path));
    return path;
}

void writeTextFile(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) < 0)
        qFatal("cannot write %s", qPrintable(path));
}

void damageSecondScan(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        qFatal("cannot open %s", qPrintable(path));
    QByteArray bytes = file.readAll();
    const QByteArray sos("\xff\xda", 2);
    const qsizetype second = bytes.indexOf(sos, bytes.indexOf(sos) + 2);
    if (second < 0)
        qFatal("no second scan in %s", qPrintable(path));
    bytes[second + 5 + 2 * uchar(bytes[second + 4]) + 1] = char(80);
    if (!file.seek(0) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QString makeAlbum(const QString& root, const QString& album, int count, int width, int height)
{
    const QString dir = root + QLatin1Char('/') + album;
    QDir().mkpath(dir);
    for (int i = 1; i <= count; ++i)
        writeTestJpeg(dir + QStringLiteral("/p%1.jpg").arg(i), width, height, unsigned(i));
    return dir;
}

QByteArray readTextFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QString findTool(const char* name)
{
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (path.isEmpty())
        qWarning("%s is missing (scripts/install-deps.sh installs it)", name);
    return path;
}

QString startXvfb(QProcess& xvfb)
{
    // Open to every local user (-ac): a test may run the program as another user. The server
    // is the test's own and listens on no network. Without -noreset it would reset whenever its
    // last client left, refusing a program that connects in that moment.
    QStringList arguments{"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"};
    arguments << "-ac" << "-noreset";
    if (!qEnvironmentVariableIsEmpty("QIRVA_TEST_DISPLAY"))
        arguments.prepend(qEnvironmentVariable("QIRVA_TEST_DISPLAY"));
    xvfb.start(findTool("Xvfb"), arguments);
    if (!xvfb.waitForStarted())
        return {};
    QElapsedTimer clock;
    clock.start();
    QByteArray number;
    while (!number.contains('\n') && clock.elapsed() < 20000) {
        xvfb.waitForReadyRead(500);
        number += xvfb.readAllStandardOutput();
    }
    if (!number.contains('\n'))
        return {};
    return u':' + QString::fromLatin1(number.trimmed());
}

std::unique_ptr<TMainForm> showMainWindow(const QString& appDir, const QByteArray& settings)
{
    writeTextFile(QDir(appDir).filePath(QStringLiteral("qirva.ini")), settings);
    auto form = std::make_unique<TMainForm>(appDir);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        qFatal("window not exposed");
    return form;
}

const QRgb cornerColours[4] = {qRgb(230, 20, 20), qRgb(20, 200, 40), qRgb(30, 40, 220),
                               qRgb(250, 250, 250)};

QImage cornerChart(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(qRgb(128, 128, 128));
    QPainter painter(&image);
    const int w = size.width() / 3, h = size.height() / 3;
    painter.fillRect(0, 0, w, h, QColor(cornerColours[0]));
    painter.fillRect(size.width() - w, 0, w, h, QColor(cornerColours[1]));
    painter.fillRect(0, size.height() - h, w, h, QColor(cornerColours[2]));
    painter.fillRect(size.width() - w, size.height() - h, w, h, QColor(cornerColours[3]));
    return image;
}

bool showsCornerChart(const QImage& image, int inset, int tolerance, QString* why)
{
    const QPoint corners[4] = {{inset, inset},
                               {image.width() - 1 - inset, inset},
                               {inset, image.height() - 1 - inset},
                               {image.width() - 1 - inset, image.height() - 1 - inset}};
    for (int i = 0; i < 4; ++i) {
        const QRgb got = image.pixel(corners[i]);
        const QRgb want = cornerColours[i];
        if (qAbs(qRed(got) - qRed(want)) > tolerance ||
            qAbs(qGreen(got) - qGreen(want)) > tolerance ||
            qAbs(qBlue(got) - qBlue(want)) > tolerance) {
            if (why)
                *why = QStringLiteral("corner %1 is %2,%3,%4")
                           .arg(i)
                           .arg(qRed(got))
                           .arg(qGreen(got))
                           .arg(qBlue(got));
            return false;
        }
    }
    return true;
}

QImage storedFor(const QImage& upright, int orientation)
{
    // The inverse of what the tag asks a viewer to do; QTransform turns clockwise for +90.
    switch (orientation) {
    case 2:
        return upright.mirrored(true, false);
    case 3:
        return upright.transformed(QTransform().rotate(180));
    case 4:
        return upright.mirrored(false, true);
    case 5:
        return upright.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6:
        return upright.transformed(QTransform().rotate(-90));
    case 7:
        return upright.transformed(QTransform().rotate(-90)).mirrored(true, false);
    case 8:
        return upright.transformed(QTransform().rotate(90));
    default:
        return upright;
    }
}

QImage convertedToAdobeRgb(const QImage& srgb)
{
    QImage image = srgb.convertToFormat(QImage::Format_RGB32);
    cmsHPROFILE from = cmsCreate_sRGBProfile();
    const QByteArray adobe = JpegWriter::adobeRgbProfile();
    cmsHPROFILE to = cmsOpenProfileFromMem(adobe.constData(), cmsUInt32Number(adobe.size()));
    cmsHTRANSFORM transform =
        cmsCreateTransform(from, TYPE_BGRA_8, to, TYPE_BGRA_8, INTENT_PERCEPTUAL, 0);
    for (int y = 0; y < image.height(); ++y)
        cmsDoTransform(transform, image.scanLine(y), image.scanLine(y),
                       cmsUInt32Number(image.width()));
    cmsDeleteTransform(transform);
    cmsCloseProfile(from);
    cmsCloseProfile(to);
    return image;
}

QImage rasterise(const QString& pdf, int dpi, int pageNumber)
{
    const QString prefix = pdf + QStringLiteral(".page");
    const QString number = QString::number(pageNumber);
    QProcess run;
    run.start(QStringLiteral("pdftoppm"),
              {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
               QStringLiteral("-f"), number, QStringLiteral("-l"), number,
               QStringLiteral("-singlefile"), pdf, prefix});
    if (!run.waitForFinished(60000) || run.exitCode() != 0)
        return {};
    return QImage(prefix + QStringLiteral(".png"));
}
