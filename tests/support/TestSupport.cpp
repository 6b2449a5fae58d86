#include "support/TestSupport.h"

#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

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
