#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

#include "app/PlatformChoice.h"
#include "support/TestSupport.h"

// The real program on a real X display without a session bus. Watched by strace, it may write
// its settings file (through a temporary file beside it) and the runtime folder Qt needs under
// /tmp, and nothing else; it starts no other program, so no bus daemon outlives it. From a
// read-only folder it keeps its settings in the user's copy; told of a Wayland session, it
// still runs on the X display.
class TestOutsideState : public QObject
{
    Q_OBJECT

private:
    QProcess m_xvfb;
    QString m_display;

    QByteArray xdotool(const QStringList& arguments)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        process.setProcessEnvironment(env);
        process.start(findTool("xdotool"), arguments);
        process.waitForFinished(10000);
        return process.readAllStandardOutput().trimmed();
    }

private slots:
    void initTestCase()
    {
        const QString xvfb = findTool("Xvfb");
        if (xvfb.isEmpty() || findTool("strace").isEmpty() || findTool("xdotool").isEmpty())
            QSKIP("Xvfb, strace and xdotool are needed");
        m_display = startXvfb(m_xvfb);
        QVERIFY2(!m_display.isEmpty(), "Xvfb did not start");
    }

    void cleanupTestCase()
    {
        if (m_xvfb.state() != QProcess::NotRunning) {
            m_xvfb.terminate();
            m_xvfb.waitForFinished(5000);
        }
    }

    // A program folder holding a copy of the program and a settings file naming a library of
    // one album; returns the settings file's path.
    QString makeProgramFolder(const QString& app, const QString& library, const QByteArray& form)
    {
        if (!QDir().mkpath(app) || !QFile::copy(QStringLiteral(QIRVA_PROGRAM), app + "/qirva"))
            return {};
        makeAlbum(library, QStringLiteral("trip"), 2);
        const QString ini = app + QStringLiteral("/qirva.ini");
        writeTextFile(ini, "; installed\n[Setting]\nLoadSetPath=" + library.toUtf8() + "\n" + form);
        return ini;
    }

    // A display and a home folder, and no session bus.
    QProcessEnvironment viewerEnvironment(const QString& home)
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        // In the sanitizer build: LeakSanitizer cannot run under ptrace; the rest still checks.
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        return env;
    }

    // The viewer's window on the X display, once it shows (found by its name, or as xdotool's
    // search is told); empty after 30 seconds.
    QByteArray waitForWindow(const QStringList& search = {"--name", "QIRVA"})
    {
        QByteArray window;
        QElapsedTimer clock;
        clock.start();
        while (window.isEmpty() && clock.elapsed() < 30000) {
            window = xdotool(QStringList{"search", "--onlyvisible"} + search).split('\n').value(0);
            if (window.isEmpty())
                QThread::msleep(200);
        }
        return window;
    }

    // ファイル → 終了, by the keyboard (there is no window manager to close it); true when the
    // viewer then ended normally with exit code 0. A message box at exit would keep it running.
    bool closeByMenu(QProcess& viewer, const QByteArray& window)
    {
        xdotool({"windowfocus", QString::fromLatin1(window), "key", "alt+f"});
        QThread::msleep(500);
        xdotool({"key", "Up", "Return"});
        if (!viewer.waitForFinished(30000)) {
            viewer.kill();
            viewer.waitForFinished();
            return false;
        }
        return viewer.exitStatus() == QProcess::NormalExit && viewer.exitCode() == 0;
    }

    void startAndCloseWriteOnlyTheSettingsFile()
    {
        QTemporaryDir dir;
        const QString app = dir.filePath(QStringLiteral("app"));
        const QString home = dir.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(home));
        // The settings file lies beside the program, so the program runs from a copy.
        const QString ini =
            makeProgramFolder(app, dir.filePath(QStringLiteral("library")), "[Form]\nTop=5\n");
        QVERIFY(!ini.isEmpty());
        const QString program = app + QStringLiteral("/qirva");

        const QString trace = dir.filePath(QStringLiteral("trace"));
        QProcess viewer;
        viewer.setProcessEnvironment(viewerEnvironment(home));
        viewer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        viewer.start(findTool("strace"),
                     {"-f", "-qq", "-e", "trace=file,process", "-o", trace, program});
        QVERIFY(viewer.waitForStarted());

        const QByteArray window = waitForWindow();
        QVERIFY2(!window.isEmpty(), "the window did not appear");
        // strace ends only when every program the viewer started has ended: a bus daemon left
        // running keeps it waiting.
        QVERIFY2(closeByMenu(viewer, window), "the program did not end well");
        QVERIFY(readTextFile(ini).contains("SLISetInte=50\n")); // the write-back ran

        // Every successful call that can create, change or remove a file, and every program
        // started.
        const QRegularExpression changing(QStringLiteral(
            "^\\d+\\s+(open|openat|creat|mkdir|mkdirat|rename|renameat2?|unlink|unlinkat|rmdir|"
            "link|linkat|symlink|symlinkat|truncate|chmod|fchmodat|chown|lchown|fchownat|"
            "utimensat|mknod|mknodat|execve)\\((.*)\\) = (\\d+)"));
        const QRegularExpression quoted(QStringLiteral("\"([^\"]*)\""));
        QFile file(trace);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList outside;
        int programs = 0;
        for (const QByteArray& raw : file.readAll().split('\n')) {
            const QString line = QString::fromUtf8(raw);
            const QRegularExpressionMatch call = changing.match(line);
            if (!call.hasMatch())
                continue;
            const QString name = call.captured(1);
            const QString arguments = call.captured(2);
            if (name.startsWith(QStringLiteral("open")) &&
                !arguments.contains(
                    QRegularExpression(QStringLiteral("O_WRONLY|O_RDWR|O_CREAT|O_TRUNC"))))
                continue;
            if (name == QStringLiteral("execve")) {
                ++programs;
                continue;
            }
            for (auto it = quoted.globalMatch(arguments); it.hasNext();) {
                const QString path = it.next().captured(1);
                const bool allowed = path == ini ||
                                     path.startsWith(app + QStringLiteral("/.qirva.ini.")) ||
                                     path.startsWith(QStringLiteral("/tmp/runtime-")) ||
                                     path == QStringLiteral("/dev/null");
                if (!allowed)
                    outside << line;
            }
        }
        QCOMPARE(programs, 1); // strace starting the viewer, and nothing the viewer started
        QCOMPARE(outside, QStringList());
        QCOMPARE(QDir(home).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void readOnlyProgramFolderKeepsTheSettingsInTheUserCopy()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(
            dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                            QFileDevice::ReadOther | QFileDevice::ExeOther));
        const QString app = dir.filePath(QStringLiteral("app"));
        const QString home = dir.filePath(QStringLiteral("home"));
        const QString ini =
            makeProgramFolder(app, dir.filePath(QStringLiteral("library")), "[Form]\nTop=5\n");
        QVERIFY(!ini.isEmpty() && QDir().mkpath(home));
        const QByteArray installed = readTextFile(ini);
        // A system install: the folder and the file are read-only, the home folder the user's.
        QVERIFY(::chmod(QFile::encodeName(ini).constData(), 0444) == 0);
        QVERIFY(::chmod(QFile::encodeName(app).constData(), 0555) == 0);
        QVERIFY(::chmod(QFile::encodeName(home).constData(), 0777) == 0);

        QProcess viewer;
        viewer.setProcessEnvironment(viewerEnvironment(home));
        viewer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Root writes anywhere: the viewer runs as nobody then.
        if (::geteuid() == 0)
            viewer.start(findTool("setpriv"), {"--reuid=65534", "--regid=65534", "--clear-groups",
                                               "--", app + QStringLiteral("/qirva")});
        else
            viewer.start(app + QStringLiteral("/qirva"), QStringList());
        QVERIFY(viewer.waitForStarted());
        const QByteArray window = waitForWindow();
        const bool ended = !window.isEmpty() && closeByMenu(viewer, window);
        ::chmod(QFile::encodeName(app).constData(), 0755);
        QVERIFY2(!window.isEmpty(), "the window did not appear");
        QVERIFY2(ended, "the program did not end well");

        QCOMPARE(readTextFile(ini), installed);
        const QByteArray copy = readTextFile(home + QStringLiteral("/.config/qirva/qirva.ini"));
        QVERIFY2(copy.startsWith(installed.left(installed.indexOf("[Form]"))), copy.constData());
        QVERIFY(copy.contains("[Form]\nTop=5\n"));
        QVERIFY(copy.contains("SLISetInte=50\n"));
    }

    void aPlatformTheUserChoseIsKeptOtherwiseX11()
    {
        const QByteArray display = qgetenv("DISPLAY");
        const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
        qputenv("DISPLAY", m_display.toLatin1());
        const auto start = [](std::vector<QByteArray> arguments) {
            std::vector<char*> argv;
            for (QByteArray& argument : arguments)
                argv.push_back(argument.data());
            QStringList result;
            for (const char* argument :
                 PlatformChoice::applicationArguments(int(argv.size()), argv.data())) {
                if (argument)
                    result << QString::fromLatin1(argument);
            }
            return result;
        };
        qunsetenv("QT_QPA_PLATFORM");
        const QStringList chosen = start({"qirva", "-style", "fusion"});
        const QStringList named = start({"qirva", "--platform", "wayland"});
        qputenv("QT_QPA_PLATFORM", "wayland");
        const QStringList set = start({"qirva"});
        qputenv("DISPLAY", ":9999");
        qunsetenv("QT_QPA_PLATFORM");
        const QStringList none = start({"qirva"});
        qputenv("DISPLAY", display);
        qputenv("QT_QPA_PLATFORM", platform);
        QCOMPARE(chosen, QStringList({"qirva", "-platform", "xcb", "-style", "fusion"}));
        QCOMPARE(named, QStringList({"qirva", "--platform", "wayland"}));
        QCOMPARE(set, QStringList({"qirva"}));
        QCOMPARE(none, QStringList({"qirva"})); // no X server answers there
    }

    void announcedWaylandStillRunsOnX11AtTheStoredPosition()
    {
        const QString weston = findTool("weston");
        if (weston.isEmpty())
            QSKIP("weston is needed for a Wayland display");
        QTemporaryDir dir;
        const QString ini =
            makeProgramFolder(dir.filePath(QStringLiteral("app")),
                              dir.filePath(QStringLiteral("library")), "[Form]\nTop=40\nLeft=60\n");
        QVERIFY(!ini.isEmpty());
        // A Wayland desktop with an X server beside it, as XWayland gives: Qt, with its Wayland
        // plugin installed, would take the Wayland display.
        const QString runtime = dir.filePath(QStringLiteral("runtime"));
        QVERIFY(QDir().mkpath(runtime) &&
                ::chmod(QFile::encodeName(runtime).constData(), 0700) == 0);
        QProcessEnvironment env = viewerEnvironment(dir.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-qirva-test"));
        env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
        QProcess compositor;
        compositor.setProcessEnvironment(env);
        compositor.start(weston, {"--backend=headless-backend.so", "--socket=wayland-qirva-test",
                                  "--idle-time=0"});
        QVERIFY(compositor.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(runtime + QStringLiteral("/wayland-qirva-test")),
                                 20000);

        QProcess viewer;
        viewer.setProcessEnvironment(env);
        viewer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        viewer.start(dir.filePath(QStringLiteral("app/qirva")), QStringList());
        QVERIFY(viewer.waitForStarted());
        const QByteArray window = waitForWindow();
        const QByteArray geometry =
            xdotool({"getwindowgeometry", "--shell", QString::fromLatin1(window)});
        const bool ended = !window.isEmpty() && closeByMenu(viewer, window);
        if (viewer.state() != QProcess::NotRunning) {
            viewer.kill();
            viewer.waitForFinished();
        }
        compositor.terminate();
        compositor.waitForFinished(5000);
        QVERIFY2(!window.isEmpty(), "the window did not appear on the X display");
        QVERIFY2(ended, "the program did not end well");
        QVERIFY2(geometry.contains("X=60\nY=40\n"), geometry.constData());
        QVERIFY(readTextFile(ini).contains("[Form]\nTop=40\nLeft=60\n"));
    }
    void captionShowsExactlyAsStored()
    {
        // Empty, and with Qt's modified-document mark in it.
        for (const QByteArray& caption : {QByteArray(), QByteArray("A [*] B [*][*]")}) {
            QTemporaryDir dir;
            const QString app = dir.filePath(QStringLiteral("app"));
            QVERIFY(!makeProgramFolder(app, dir.filePath(QStringLiteral("library")),
                                       "[Form]\nCaption=" + caption + "\n")
                         .isEmpty());
            QProcess viewer;
            viewer.setProcessEnvironment(viewerEnvironment(dir.path()));
            viewer.start(app + QStringLiteral("/qirva"), QStringList());
            QVERIFY(viewer.waitForStarted());
            const QByteArray window =
                waitForWindow({"--pid", QString::number(viewer.processId())});
            QVERIFY2(!window.isEmpty(), "the window did not appear");
            QThread::msleep(300); // past the window's first show
            QCOMPARE(xdotool({"getwindowname", QString::fromLatin1(window)}), caption);
            viewer.kill();
            viewer.waitForFinished();
        }
    }
};

QTEST_GUILESS_MAIN(TestOutsideState)
#include "tst_outsidestate.moc"
