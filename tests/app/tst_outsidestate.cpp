#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "support/TestSupport.h"

// The real program on a real X display without a session bus, watched by strace: it may write
// its settings file (through a temporary file beside it) and the runtime folder Qt needs under
// /tmp, and nothing else; it starts no other program, so no bus daemon outlives it.
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

    void startAndCloseWriteOnlyTheSettingsFile()
    {
        QTemporaryDir dir;
        const QString app = dir.filePath(QStringLiteral("app"));
        const QString home = dir.filePath(QStringLiteral("home"));
        const QString library = dir.filePath(QStringLiteral("library"));
        QVERIFY(QDir().mkpath(app) && QDir().mkpath(home));
        makeAlbum(library, QStringLiteral("trip"), 2);
        // The settings file lies beside the program, so the program runs from a copy.
        const QString program = app + QStringLiteral("/qirva");
        QVERIFY(QFile::copy(QStringLiteral(QIRVA_PROGRAM), program));
        const QString ini = app + QStringLiteral("/qirva.ini");
        writeTextFile(ini, "[Setting]\nLoadSetPath=" + library.toUtf8() + "\n[Form]\nTop=5\n");

        // A display and a home folder, and no session bus.
        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        // In the sanitizer build: LeakSanitizer cannot run under ptrace; the rest still checks.
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        const QString trace = dir.filePath(QStringLiteral("trace"));
        QProcess viewer;
        viewer.setProcessEnvironment(env);
        viewer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        viewer.start(findTool("strace"),
                     {"-f", "-qq", "-e", "trace=file,process", "-o", trace, program});
        QVERIFY(viewer.waitForStarted());

        QByteArray window;
        QElapsedTimer clock;
        clock.start();
        while (window.isEmpty() && clock.elapsed() < 30000) {
            window = xdotool({"search", "--onlyvisible", "--name", "QIRVA"}).split('\n').value(0);
            if (window.isEmpty())
                QThread::msleep(200);
        }
        QVERIFY2(!window.isEmpty(), "the window did not appear");
        // ファイル → 終了, by the keyboard: there is no window manager to close it.
        xdotool({"windowfocus", QString::fromLatin1(window), "key", "alt+f"});
        QThread::msleep(500);
        xdotool({"key", "Up", "Return"});
        // strace ends only when every program the viewer started has ended: a bus daemon left
        // running keeps it waiting.
        if (!viewer.waitForFinished(30000)) {
            viewer.kill();
            viewer.waitForFinished();
            QFAIL("the program did not end");
        }
        QCOMPARE(viewer.exitStatus(), QProcess::NormalExit);
        QCOMPARE(viewer.exitCode(), 0);
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

    void captionShowsExactlyAsStored()
    {
        // Empty, and with Qt's modified-document mark in it.
        for (const QByteArray& caption : {QByteArray(), QByteArray("A [*] B [*][*]")}) {
            QTemporaryDir dir;
            const QString program = dir.filePath(QStringLiteral("qirva"));
            QVERIFY(QFile::copy(QStringLiteral(QIRVA_PROGRAM), program));
            writeTextFile(dir.filePath(QStringLiteral("qirva.ini")),
                          "[Setting]\nMode=1\nLoadSetPath=none\n[Form]\nCaption=" + caption + "\n");
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("DISPLAY"), m_display);
            env.insert(QStringLiteral("HOME"), dir.path());
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
            QProcess viewer;
            viewer.setProcessEnvironment(env);
            viewer.start(program, {});
            QVERIFY(viewer.waitForStarted());
            const QString pid = QString::number(viewer.processId());
            QByteArray window;
            QElapsedTimer clock;
            clock.start();
            while (window.isEmpty() && clock.elapsed() < 30000) {
                window = xdotool({"search", "--onlyvisible", "--pid", pid}).split('\n').value(0);
                if (window.isEmpty())
                    QThread::msleep(200);
            }
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
