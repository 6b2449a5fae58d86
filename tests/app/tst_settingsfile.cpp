#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <functional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/SettingsFile.h"
#include "platform/QirvaError.h"
#include "support/TestSupport.h"

namespace {

bool writeProc(const char* file, const QByteArray& text)
{
    const int fd = ::open(file, O_WRONLY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::write(fd, text.constData(), size_t(text.size())) == text.size();
    if (fd >= 0)
        ::close(fd);
    return ok;
}

// Runs the check in a child that has a mount namespace of its own with a 64 KiB tmpfs at
// `folder`, and returns its result; -1 when the system grants no such namespace.
int runOnSmallDisk(const QString& folder, const std::function<int()>& check)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        if (::unshare(CLONE_NEWNS) != 0) {
            // Without root: a user namespace of our own, mapped to the caller.
            const QByteArray uid = QByteArray::number(::getuid());
            const QByteArray gid = QByteArray::number(::getgid());
            if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 ||
                !writeProc("/proc/self/setgroups", "deny") ||
                !writeProc("/proc/self/uid_map", "0 " + uid + " 1") ||
                !writeProc("/proc/self/gid_map", "0 " + gid + " 1"))
                ::_exit(99);
        }
        const QByteArray target = QFile::encodeName(folder);
        if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", target.constData(), "tmpfs", 0, "size=64k") != 0)
            ::_exit(99);
        ::_exit(check());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 99)
        return -1;
    return WEXITSTATUS(status);
}

// Runs the check in a child that is not root (root ignores permission bits) and returns its
// result; -1 when root cannot be given up here.
int runUnprivileged(const std::function<int()>& check)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(99);
        ::_exit(check());
    }
    int status = -1;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 99)
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString appDir() const { return m_dir.path() + "/"; }
    QString iniPath() const { return appDir() + "qirva.ini"; }

    Settings readFrom(const QByteArray& bytes)
    {
        writeTextFile(iniPath(), bytes);
        return SettingsFile(appDir()).read();
    }

private slots:
    void init() { QFile::remove(iniPath()); }

    void missingFileGivesNormalModeDefaults()
    {
        const Settings s = SettingsFile(appDir()).read();
        QCOMPARE(s.Mode, quint8(0));
        QCOMPARE(s.Top, 0);
        QCOMPARE(s.Left, 0);
        QCOMPARE(s.Caption, QString("NORVO-Pictavault Glancer (QIRVA)"));
        QCOMPARE(s.LoadSetPath, QString());
        QCOMPARE(s.SLISetInte, 50);
        QVERIFY(s.AllAdjust && s.AutoOrientation && s.FileSizeView);
        QVERIFY(!s.Incremental && !s.SlideLoop);
    }

    void readsValuesByProfileRules()
    {
        Settings s = readFrom("[form]\nTOP=-4000\nleft=$10\n[SETTING]\nSLISetInte=0x1E\n"
                              "LoadSetPath=/srv/photos\nIncremental=2\nSlideLoop=yes\n"
                              "[Printer]\nAllAdjust=0\n");
        QCOMPARE(s.Top, -4000);
        QCOMPARE(s.Left, 16);
        QCOMPARE(s.SLISetInte, 30);
        QCOMPARE(s.LoadSetPath, QString("/srv/photos"));
        QVERIFY(s.Incremental);
        QVERIFY(!s.SlideLoop);
        QVERIFY(!s.AllAdjust);
        s = readFrom("[Setting]\nSLISetInte=abc\n");
        QCOMPARE(s.SLISetInte, 50);
    }

    void modeDecidesCaptionAndLibraryFolder()
    {
        Settings s = readFrom("[Setting]\nMode=256\nLoadSetPath=Photos\n");
        QCOMPARE(s.Mode, quint8(0));
        QCOMPARE(s.LoadSetPath, QString("Photos"));
        QCOMPARE(s.Caption, QString("NORVO-Pictavault Glancer (QIRVA)"));

        s = readFrom("[Setting]\nMode=1\nLoadSetPath=Photos\n");
        QCOMPARE(s.Mode, quint8(1));
        QCOMPARE(s.LoadSetPath, appDir() + "Photos");
        QCOMPARE(s.Caption, QString("Photo Library"));

        s = readFrom("[Setting]\nMode=-1\nLoadSetPath=Disc\\2001\n");
        QCOMPARE(s.Mode, quint8(255));
        QCOMPARE(s.LoadSetPath, appDir() + "Disc/2001");

        s = readFrom("[Setting]\nMode=1\n[Form]\nCaption=Trip\n");
        QCOMPARE(s.LoadSetPath, appDir());
        QCOMPARE(s.Caption, QString("Trip"));

        QCOMPARE(SettingsFile(m_dir.path()).read().LoadSetPath, appDir());
    }

    void firstStartWritesEveryEntryButMode()
    {
        SettingsFile file(appDir());
        Settings s = file.read();
        s.LoadSetPath = u"/home/me/写真"_qs;
        file.write(s);
        QCOMPARE(
            readTextFile(iniPath()),
            u"[Form]\nTop=0\nLeft=0\nCaption=NORVO-Pictavault Glancer (QIRVA)\n"
            "[Setting]\nLoadSetPath=/home/me/写真\nSLISetInte=50\nFileSizeView=1\n"
            "Incremental=0\nSlideLoop=0\n[Printer]\nAllAdjust=1\nAutoOrientation=1\n"_qs.toUtf8());
    }

    void writeChangesOnlyItsValues()
    {
        const QByteArray before = "; made by hand\r\n[Viewer]\r\nTop=9\r\n\r\n[form]\r\n"
                                  "top = 3\r\nLeft=0\r\nCAPTION=Mine\r\n\r\n[SETTING]\r\nmode=0\r\n"
                                  "SLISetInte=0x1E\r\nloadsetpath=/a\r\nSlideLoop=7\r\n"
                                  "FileSizeView=1\r\nIncremental=0\r\n[Printer]\r\n"
                                  "AllAdjust=1\r\nAutoOrientation=1";
        writeTextFile(iniPath(), before);
        SettingsFile file(appDir());
        Settings s = file.read();
        QCOMPARE(file.read().SLISetInte, 30);

        file.write(s);
        QCOMPARE(readTextFile(iniPath()), before);

        s.Top = -4000;
        s.LoadSetPath = "/b";
        s.SlideLoop = false;
        // Edited by someone else while the program ran: kept.
        writeTextFile(iniPath(), before + "\r\n[Later]\r\nx=1\r\n");
        file.write(s);
        QCOMPARE(readTextFile(iniPath()),
                 QByteArray("; made by hand\r\n[Viewer]\r\nTop=9\r\n\r\n[form]\r\n"
                            "top = -4000\r\nLeft=0\r\nCAPTION=Mine\r\n\r\n[SETTING]\r\nmode=0\r\n"
                            "SLISetInte=0x1E\r\nloadsetpath=/b\r\nSlideLoop=0\r\n"
                            "FileSizeView=1\r\nIncremental=0\r\n[Printer]\r\n"
                            "AllAdjust=1\r\nAutoOrientation=1\r\n[Later]\r\nx=1\r\n"));
    }

    void quotedValuesReadBareAndStayQuotedUntilChanged()
    {
        const QByteArray rest = "FileSizeView=1\r\nIncremental=0\r\nSlideLoop=0\r\n[Printer]\r\n"
                                "AllAdjust=1\r\nAutoOrientation=1\r\n";
        const QByteArray before = "[Form]\r\nTop=0\r\nLeft=0\r\nCaption=\"My Photos\"\r\n"
                                  "[Setting]\r\nSLISetInte=\"30\"\r\n"
                                  "LoadSetPath='/home/a/my photos'\r\n" +
                                  rest;
        writeTextFile(iniPath(), before);
        SettingsFile file(appDir());
        Settings s = file.read();
        QCOMPARE(s.Caption, QString("My Photos"));
        QCOMPARE(s.SLISetInte, 30);
        QCOMPARE(s.LoadSetPath, QString("/home/a/my photos"));
        file.write(s);
        QCOMPARE(readTextFile(iniPath()), before);

        // A changed value is written bare.
        s.SLISetInte = 40;
        s.Caption = "Trip";
        file.write(s);
        QCOMPARE(readTextFile(iniPath()),
                 "[Form]\r\nTop=0\r\nLeft=0\r\nCaption=Trip\r\n[Setting]\r\nSLISetInte=40\r\n"
                 "LoadSetPath='/home/a/my photos'\r\n" +
                     rest);
    }

    void longStringIsKeptUnlessChanged()
    {
        const QByteArray longPath = "/" + QByteArray(3000, 'p');
        const QByteArray before = "[Setting]\nLoadSetPath=" + longPath + "\n";
        writeTextFile(iniPath(), before);
        SettingsFile file(appDir());
        Settings s = file.read();
        QCOMPARE(s.LoadSetPath.size(), 2047);
        file.write(s);
        QVERIFY(readTextFile(iniPath()).contains("LoadSetPath=" + longPath + "\n"));

        s.LoadSetPath.chop(1);
        file.write(s);
        QVERIFY(readTextFile(iniPath()).contains("LoadSetPath=" + longPath.left(2046) + "\n"));
    }

    void writeFailureThrowsAndKeepsFile()
    {
        // A folder where the file should be cannot be replaced, whoever runs the program.
        QTemporaryDir dir;
        QVERIFY(QDir().mkdir(dir.filePath("qirva.ini")));
        SettingsFile blocked(dir.path() + "/");
        try {
            blocked.write(Settings());
            QFAIL("write() did not fail");
        } catch (const QirvaError& error) {
            QCOMPARE(error.text(), dir.path() + "/qirva.ini に書き込めません");
        }
        QVERIFY(QFileInfo(dir.filePath("qirva.ini")).isDir());
    }

    void fullOrReadOnlyDiskKeepsThePreviousFile()
    {
        // Results of the check, by step: 0 all held; 1 the full disk's write-back did not
        // fail as it should, 2 it changed the file or left a temporary file; 3 and 4 the same
        // on the disk mounted read-only; 9 the disk could not be prepared.
        const QString folder = m_dir.filePath("disk");
        QVERIFY(QDir().mkpath(folder));
        const int result = runOnSmallDisk(folder, [folder] {
            const QString ini = folder + "/qirva.ini";
            const QByteArray before = "; mine\n[Setting]\nLoadSetPath=/a\n";
            writeTextFile(ini, before);
            // Fill the disk.
            QFile filler(folder + "/filler");
            if (!filler.open(QIODevice::WriteOnly))
                return 9;
            const QByteArray block(4096, 'f');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
            filler.close();

            Settings settings = SettingsFile(folder).read();
            settings.LoadSetPath = "/" + QString(3000, u'p');
            const auto failsCleanly = [&](int failed, int changed, const QStringList& files) {
                try {
                    SettingsFile(folder).write(settings);
                    return failed;
                } catch (const QirvaError& error) {
                    if (error.text() != ini + " に書き込めません")
                        return failed;
                }
                const QStringList entries =
                    QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
                return readTextFile(ini) == before && entries == files ? 0 : changed;
            };
            if (const int r = failsCleanly(1, 2, {"filler", "qirva.ini"}))
                return r;
            QFile::remove(folder + "/filler");
            const QByteArray target = QFile::encodeName(folder);
            if (::mount(nullptr, target.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
                return 9;
            return failsCleanly(3, 4, {"qirva.ini"});
        });
        if (result < 0)
            QSKIP("no mount namespace for a small disk here");
        QCOMPARE(result, 0);
    }

    void readOnlyFolderFailsWithoutChangingFile()
    {
        const QByteArray before = "[Form]\nTop=1\n";
        writeTextFile(iniPath(), before);
        const QByteArray folder = QFile::encodeName(m_dir.path());
        QCOMPARE(::chmod(QFile::encodeName(iniPath()).constData(), 0444), 0);
        QCOMPARE(::chmod(folder.constData(), 0555), 0);
        // Root ignores permission bits, so the write runs in a child that gives root up.
        const int result = runUnprivileged([this] {
            try {
                SettingsFile(appDir()).write(Settings());
            } catch (const QirvaError& error) {
                return error.text() == iniPath() + " に書き込めません" ? 0 : 2;
            }
            return 1;
        });
        ::chmod(folder.constData(), 0755);
        ::chmod(QFile::encodeName(iniPath()).constData(), 0644);
        if (result < 0)
            QSKIP("cannot drop root privileges here, so permission bits do not apply");
        QCOMPARE(result, 0);
        QCOMPARE(readTextFile(iniPath()), before);
    }

    void readOnlyProgramFolderReadsAndWritesTheUserCopy()
    {
        // A system install: the program's folder and its settings file are read-only.
        QTemporaryDir dir;
        const QString program = dir.filePath("program");
        const QString home = dir.filePath("home");
        const QString ini = program + "/qirva.ini";
        const QString copy = home + "/config/qirva/qirva.ini";
        const QByteArray installed = "; installed\r\n[Setting]\r\nLoadSetPath=/srv/photos\r\n"
                                     "[Form]\r\nTop=7\r\n";
        writeTextFile(ini, installed);
        QVERIFY(QDir().mkpath(home));
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
        QCOMPARE(::chmod(QFile::encodeName(home).constData(), 0777), 0);
        QCOMPARE(::chmod(QFile::encodeName(ini).constData(), 0444), 0);
        QCOMPARE(::chmod(QFile::encodeName(program).constData(), 0555), 0);

        // Results: 0 all held; 1 the wrong file chosen, 2 the installed values not read,
        // 3 its folders are open to others, 4 the copy is not read first from then on.
        const int result = runUnprivileged([&] {
            const SettingsFile file(program, copy);
            if (file.path() != copy)
                return 1;
            Settings s = file.read();
            if (s.LoadSetPath != "/srv/photos" || s.Top != 7)
                return 2;
            s.SLISetInte = 30;
            file.write(s);
            for (const QString& folder : {home + "/config", home + "/config/qirva"}) {
                if (QFileInfo(folder).permissions() &
                    (QFileDevice::ReadGroup | QFileDevice::ReadOther))
                    return 3;
            }
            return SettingsFile(program, copy).read().SLISetInte == 30 ? 0 : 4;
        });
        ::chmod(QFile::encodeName(program).constData(), 0755);
        if (result < 0)
            QSKIP("cannot drop root privileges here, so permission bits do not apply");
        QCOMPARE(result, 0);
        QCOMPARE(readTextFile(ini), installed);
        // The copy is the installed file as the same write-back would have left it in place.
        const QString reference = dir.filePath("reference");
        writeTextFile(reference + "/qirva.ini", installed);
        Settings s = SettingsFile(reference).read();
        s.SLISetInte = 30;
        SettingsFile(reference).write(s);
        QCOMPARE(readTextFile(copy), readTextFile(reference + "/qirva.ini"));

        // Where the program's folder can be written, the copy is neither read nor written.
        const SettingsFile writable(program, copy);
        QCOMPARE(writable.path(), ini);
        QCOMPARE(writable.read().SLISetInte, 50);
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
