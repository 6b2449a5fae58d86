#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/SettingsFile.h"
#include "platform/QirvaError.h"
#include "support/TestSupport.h"


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

    void readOnlyFolderFailsWithoutChangingFile()
    {
        const QByteArray before = "[Form]\nTop=1\n";
        writeTextFile(iniPath(), before);
        const QByteArray folder = QFile::encodeName(m_dir.path());
        QCOMPARE(::chmod(QFile::encodeName(iniPath()).constData(), 0444), 0);
        QCOMPARE(::chmod(folder.constData(), 0555), 0);
        // Root ignores permission bits, so the write runs in a child that gives root up.
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(3);
            try {
                SettingsFile(appDir()).write(Settings());
            } catch (const QirvaError& error) {
                ::_exit(error.text() == iniPath() + " に書き込めません" ? 0 : 2);
            }
            ::_exit(1);
        }
        int status = -1;
        ::waitpid(pid, &status, 0);
        ::chmod(folder.constData(), 0755);
        ::chmod(QFile::encodeName(iniPath()).constData(), 0644);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 3)
            QSKIP("cannot drop root privileges here, so permission bits do not apply");
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(readTextFile(iniPath()), before);
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
