#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/IniFile.h"
#include "support/TestSupport.h"

namespace {

// 写真 and ゾ in CP932; the second byte of ゾ is "]".
const QByteArray ShashinCp932("\x8E\xCA\x90\x5E");
const QByteArray ZoCp932("\x83\x5D");

QByteArray Utf8Bom()
{
    return QByteArrayLiteral("\xEF\xBB\xBF");
}

// Permission bits do not stop root; the check then runs in a child that has given up root.
// Returns -1 when that is impossible, otherwise whether the check held.
int runUnprivileged(const std::function<bool()>& check)
{
    if (::geteuid() != 0)
        return check() ? 1 : 0;
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        ::_exit(check() ? 1 : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) <= 1 ? WEXITSTATUS(status) : -1;
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("test.ini")); }

    IniFile loaded(const QByteArray& bytes)
    {
        writeTextFile(path(), bytes);
        IniFile ini(path());
        ini.load();
        return ini;
    }

private slots:
    void readsIntegersByProfileRules_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("expected");
        const int d = 77;
        QTest::newRow("decimal") << QByteArray("42") << 42;
        QTest::newRow("negative") << QByteArray("-5") << -5;
        QTest::newRow("plus") << QByteArray("+7") << 7;
        QTest::newRow("blanks around") << QByteArray("  12\t") << 12;
        QTest::newRow("0x") << QByteArray("0x1E") << 30;
        QTest::newRow("0X") << QByteArray("0X1e") << 30;
        QTest::newRow("0x alone") << QByteArray("0x") << d;
        QTest::newRow("dollar") << QByteArray("$1F") << 31;
        QTest::newRow("dollar alone") << QByteArray("$") << d;
        QTest::newRow("hex wraps") << QByteArray("$FFFFFFFF") << -1;
        QTest::newRow("hex min") << QByteArray("0x80000000") << int(0x80000000u);
        QTest::newRow("hex leading zeros") << QByteArray("$000000001") << 1;
        QTest::newRow("hex too long") << QByteArray("$100000000") << d;
        QTest::newRow("hex bad digit") << QByteArray("0x1G") << d;
        QTest::newRow("max") << QByteArray("2147483647") << 2147483647;
        QTest::newRow("above max") << QByteArray("2147483648") << d;
        QTest::newRow("min") << QByteArray("-2147483648") << int(-2147483648LL);
        QTest::newRow("below min") << QByteArray("-2147483649") << d;
        QTest::newRow("huge") << QByteArray(40, '9') << d;
        QTest::newRow("letters") << QByteArray("abc") << d;
        QTest::newRow("trailing letters") << QByteArray("12abc") << d;
        QTest::newRow("inner blank") << QByteArray("1 2") << d;
        QTest::newRow("sign alone") << QByteArray("-") << d;
        QTest::newRow("empty") << QByteArray("") << d;
    }
    void readsIntegersByProfileRules()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, expected);
        const IniFile ini = loaded("[S]\nk=" + value + "\n");
        QCOMPARE(ini.readInteger("S", "k", 77), expected);
    }

    void readsBooleansAsIntegers()
    {
        const IniFile ini = loaded("[S]\nzero=0\none=1\nminus=-3\nhex=$10\nword=yes\n");
        QCOMPARE(ini.readBool("S", "zero", true), false);
        QCOMPARE(ini.readBool("S", "one", false), true);
        QCOMPARE(ini.readBool("S", "minus", false), true);
        QCOMPARE(ini.readBool("S", "hex", false), true);
        QCOMPARE(ini.readBool("S", "word", true), true);
        QCOMPARE(ini.readBool("S", "word", false), false);
        QCOMPARE(ini.readBool("S", "missing", true), true);
        QCOMPARE(ini.readBool("Missing", "one", false), false);
    }

    void missingFileReadsDefaults()
    {
        IniFile ini(m_dir.filePath("absent.ini"));
        QVERIFY(!ini.load());
        QCOMPARE(ini.readString("S", "k", "d"), QString("d"));
        QCOMPARE(ini.readInteger("S", "k", 5), 5);
    }

    void namesMatchWithoutCaseOrBlanks()
    {
        const IniFile ini = loaded("; [S]\n[ setting ]\n  MoDe  =  3  \n;Mode=4\ncap = a b \n");
        QCOMPARE(ini.readInteger("Setting", "mode", 0), 3);
        QCOMPARE(ini.readString("SETTING", "Cap", ""), QString("a b"));
        QVERIFY(!ini.contains("Setting", ";Mode"));
    }

    void firstSectionAndKeyWin()
    {
        IniFile ini = loaded("[A]\nk=1\nk=2\n[a]\nk=3\nj=4\n");
        QCOMPARE(ini.readInteger("A", "k", 0), 1);
        QVERIFY(!ini.contains("A", "j"));
        ini.writeInteger("a", "K", 9);
        ini.writeInteger("A", "j", 5);
        QCOMPARE(ini.bytes(), QByteArray("[A]\nk=9\nk=2\nj=5\n[a]\nk=3\nj=4\n"));
    }

    void readStringCutsLongValues()
    {
        const IniFile ini = loaded("[S]\nk=" + QByteArray(3000, 'x') + "\n");
        QCOMPARE(ini.readString("S", "k", "").size(), IniFile::MaxStringLength);
        QCOMPARE(ini.readRawString("S", "k", "").size(), 3000);
    }

    void editKeepsEveryOtherByte()
    {
        const QByteArray before = "; settings\r\n\r\n[Other]\r\nTop=7\r\n[form]\r\n"
                                  "  TOP = 12  \r\nWidth=3\r\n\r\n; next\r\n[Last]\r\nx=1";
        IniFile ini = loaded(before);
        ini.writeInteger("Form", "Top", -4000);
        ini.writeInteger("Form", "Left", 5);
        ini.writeString("Form", "Width", "3");
        ini.writeString("New", "Key", "v");
        QCOMPARE(
            ini.bytes(),
            QByteArray("; settings\r\n\r\n[Other]\r\nTop=7\r\n[form]\r\n  TOP = -4000  \r\n"
                       "Width=3\r\nLeft=5\r\n\r\n; next\r\n[Last]\r\nx=1\r\n[New]\r\nKey=v\r\n"));
        QVERIFY(ini.save());
        QCOMPARE(readTextFile(path()), ini.bytes());
    }

    void appendsAfterLastLineWithoutFinalBreak()
    {
        IniFile ini = loaded("[A]\rk=1");
        ini.writeString("A", "j", "2");
        QCOMPARE(ini.bytes(), QByteArray("[A]\rk=1\rj=2"));
        IniFile empty = loaded("");
        empty.writeString("S", "k", "");
        empty.writeString("S", "k", "v");
        QCOMPARE(empty.bytes(), QByteArray("[S]\nk=v\n"));
    }

    void encodingIsKept()
    {
        // CP932 stays CP932, including a section name whose last byte is "]".
        IniFile cp = loaded("[" + ZoCp932 + "]\r\nCaption=" + ShashinCp932 + "\r\n");
        QVERIFY(!cp.isUtf8());
        QCOMPARE(cp.readString(u"ゾ"_qs, "Caption", ""), u"写真"_qs);
        cp.writeString(u"ゾ"_qs, "Path", u"/home/写真"_qs);
        QCOMPARE(cp.bytes(), "[" + ZoCp932 + "]\r\nCaption=" + ShashinCp932 + "\r\nPath=/home/" +
                                 ShashinCp932 + "\r\n");

        IniFile utf = loaded(u"[S]\nCaption=写真\n"_qs.toUtf8());
        QVERIFY(utf.isUtf8());
        utf.writeString("S", "Caption", u"ゾ"_qs);
        QCOMPARE(utf.bytes(), u"[S]\nCaption=ゾ\n"_qs.toUtf8());

        // Hangul has no CP932 form, nor does a one-way mapping such as the yen sign.
        for (const QString& foreign : {u"한국"_qs, u"¥100"_qs}) {
            IniFile mixed = loaded("[S]\nCaption=" + ShashinCp932 + "\nPath=x\n");
            mixed.writeString("S", "Path", foreign);
            QVERIFY(mixed.isUtf8());
            QCOMPARE(mixed.bytes(), (u"[S]\nCaption=写真\nPath="_qs + foreign + u"\n"_qs).toUtf8());
        }
    }

    void survivesGarbage()
    {
        const QByteArray longLine(1 << 20, 'y');
        const QByteArray before = QByteArray("\xFF\xFE\x80\x00[S\x00]\n", 9) + "[S]\n" +
                                  QByteArray("n=1\x00z\n", 6) + "k=" + longLine + "\n\x81\n[" +
                                  longLine + "\n\xFD\xFD=\x82";
        IniFile ini = loaded(before);
        QVERIFY(!ini.isUtf8());
        QCOMPARE(ini.readInteger("S", "n", 8), 1); // the NUL ends the value
        QCOMPARE(ini.readRawString("S", "k", ""), QString::fromLatin1(longLine));
        ini.writeInteger("S", "n", 2);
        QCOMPARE(ini.readInteger("S", "n", 8), 2);
        ini.writeInteger("T", "x", 1);
        QVERIFY(ini.save());
        IniFile again(path());
        QVERIFY(again.load());
        QCOMPARE(again.readInteger("T", "x", 0), 1);
        QVERIFY(readTextFile(path()).startsWith(before.left(9)));
    }

    void valuesReadAsTheProfileFunctionsReturnThem_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("double quotes") << QByteArray("\"My Photos\"") << "My Photos";
        QTest::newRow("single quotes") << QByteArray("'/home/a/my photos'") << "/home/a/my photos";
        QTest::newRow("quoted blanks kept") << QByteArray("\"  a  \"") << "  a  ";
        QTest::newRow("empty quotes") << QByteArray("\"\"") << "";
        QTest::newRow("one pair only") << QByteArray("\"\"a\"\"") << "\"a\"";
        QTest::newRow("unmatched") << QByteArray("\"abc") << "\"abc";
        QTest::newRow("mixed pair") << QByteArray("'abc\"") << "'abc\"";
        QTest::newRow("lone quote") << QByteArray("\"") << "\"";
        QTest::newRow("inner quotes") << QByteArray("a \"b\" c") << "a \"b\" c";
        QTest::newRow("NUL ends") << QByteArray("ab \0cd", 6) << "ab";
        QTest::newRow("NUL inside quotes") << QByteArray("\"ab\0cd\"", 8) << "\"ab";
    }
    void valuesReadAsTheProfileFunctionsReturnThem()
    {
        QFETCH(QByteArray, value);
        QFETCH(QString, expected);
        const IniFile ini = loaded("[S]\nk=" + value + "\nn=\"30\"\n");
        QCOMPARE(ini.readString("S", "k", "default"), expected);
        QCOMPARE(ini.readInteger("S", "n", 50), 30);
    }

    void writtenValuesReadBackAsWritten()
    {
        // Written plainly, unless reading would change the value; then in quotes.
        IniFile ini = loaded("[S]\nq=\"old\"\n");
        const QStringList values{"plain", " padded ", "\"quoted\"", "'x'", "", "a\"b"};
        for (int i = 0; i < values.size(); ++i)
            ini.writeString("S", QStringLiteral("k%1").arg(i), values[i]);
        ini.writeString("S", "q", "new");
        QCOMPARE(ini.bytes(), QByteArray("[S]\nq=new\nk0=plain\nk1=\" padded \"\n"
                                         "k2=\"\"quoted\"\"\nk3=\"'x'\"\nk4=\nk5=a\"b\n"));
        QVERIFY(ini.save());
        IniFile again(path());
        QVERIFY(again.load());
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(again.readString("S", QStringLiteral("k%1").arg(i), "-"), values[i]);
    }

    void byteOrderMarkMeansUtf8()
    {
        // A stray byte that is not UTF-8 does not turn the file into CP932, and the first
        // section after the mark counts.
        const QByteArray before =
            Utf8Bom() + u"[Form]\nCaption=写真\n"_qs.toUtf8() + "; \xFF\n[Setting]\nk=1\n";
        IniFile ini = loaded(before);
        QVERIFY(ini.isUtf8());
        QCOMPARE(ini.readString("Form", "Caption", ""), u"写真"_qs);
        ini.writeString("Form", "Caption", u"写真"_qs);
        ini.writeInteger("Form", "Top", 3);
        QCOMPARE(ini.bytes(), Utf8Bom() + u"[Form]\nCaption=写真\nTop=3\n; "_qs.toUtf8() +
                                  "\xFF\n[Setting]\nk=1\n");
    }

    void convertingToUtf8KeepsLinesOfOtherBytes()
    {
        // A value that CP932 cannot hold makes the file UTF-8; a line that is not CP932 either
        // keeps its bytes, and the byte-order mark keeps the file reading as UTF-8.
        const QByteArray garbage("; \x81\x20\xFF");
        const QByteArray before = "; " + ShashinCp932 + "\r\n" + garbage + "\r\n[S]\r\nPath=x\r\n";
        IniFile ini = loaded(before);
        QVERIFY(!ini.isUtf8());
        ini.writeString("S", "Path", u"/home/한국"_qs);
        const QByteArray expected = Utf8Bom() + u"; 写真\r\n"_qs.toUtf8() + garbage +
                                    u"\r\n[S]\r\nPath=/home/한국\r\n"_qs.toUtf8();
        QCOMPARE(ini.bytes(), expected);
        QVERIFY(ini.save());

        IniFile again(path());
        QVERIFY(again.load());
        QVERIFY(again.isUtf8());
        QCOMPARE(again.readString("S", "Path", ""), u"/home/한국"_qs);
        again.writeString("S", "Path", u"/home/한국"_qs);
        QCOMPARE(again.bytes(), expected); // stable from run to run
    }

    void onlyARegularFileIsReadOrWritten()
    {
        // A FIFO would block the read for ever, /dev/zero would fill the memory.
        const QString fifo = m_dir.filePath("fifo.ini");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
        const QString zero = m_dir.filePath("zero.ini");
        QVERIFY(QFile::link("/dev/zero", zero));
        const QString folder = m_dir.filePath("dir.ini");
        QVERIFY(QDir().mkdir(folder));
        for (const QString& target : {fifo, zero, folder}) {
            IniFile ini(target);
            QVERIFY(!ini.load());
            QCOMPARE(ini.readInteger("S", "k", 7), 7);
            ini.writeInteger("S", "k", 1);
            QVERIFY(!ini.save());
        }
        struct stat st = {};
        QCOMPARE(::stat(QFile::encodeName(fifo).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QCOMPARE(QFileInfo(zero).symLinkTarget(), QString("/dev/zero"));
    }

    void unchangedSaveDoesNotWrite()
    {
        IniFile ini = loaded("[S]\r\nk = 1 \r\n");
        struct stat before = {};
        QCOMPARE(::stat(QFile::encodeName(path()).constData(), &before), 0);
        ini.writeString("S", "k", "1");
        QVERIFY(ini.save());
        struct stat after = {};
        QCOMPARE(::stat(QFile::encodeName(path()).constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(readTextFile(path()), QByteArray("[S]\r\nk = 1 \r\n"));
    }

    void saveKeepsLinkAndPermissions()
    {
        const QString target = m_dir.filePath("real.ini");
        const QString link = m_dir.filePath("link.ini");
        writeTextFile(target, "[S]\nk=1\n");
        const QByteArray nativeTarget = QFile::encodeName(target);
        QCOMPARE(::chmod(nativeTarget.constData(), 0640), 0);
        QVERIFY(QFile::link(target, link));
        IniFile ini(link);
        QVERIFY(ini.load());
        ini.writeInteger("S", "k", 2);
        QVERIFY(ini.save());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readTextFile(target), QByteArray("[S]\nk=2\n"));
        struct stat st = {};
        QCOMPARE(::stat(nativeTarget.constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0640));
    }

    void saveFailsWhereNothingCanBeWritten()
    {
        const QString folderPath = m_dir.filePath("folder.ini");
        QVERIFY(QDir().mkdir(folderPath));
        IniFile folder(folderPath);
        folder.load();
        folder.writeInteger("S", "k", 1);
        QVERIFY(!folder.save());
        QVERIFY(QFileInfo(folderPath).isDir());

        IniFile missing(m_dir.filePath("missing/qirva.ini"));
        missing.writeInteger("S", "k", 1);
        QVERIFY(!missing.save());
        QVERIFY(!QFileInfo::exists(m_dir.filePath("missing")));
    }

    void failedSaveLeavesOldFile()
    {
        // A file-size limit makes the write of the new contents fail part of the way.
        IniFile ini = loaded("[S]\nk=1\n");
        ini.writeString("S", "k", QString(4096, u'z'));
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit old = {};
        ::getrlimit(RLIMIT_FSIZE, &old);
        struct rlimit limit = old;
        limit.rlim_cur = 1024;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        const bool saved = ini.save();
        ::setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(!saved);
        QCOMPARE(readTextFile(path()), QByteArray("[S]\nk=1\n"));
        QCOMPARE(QDir(m_dir.path()).entryList({".test.ini.*"}, QDir::Files | QDir::Hidden),
                 QStringList());
    }

    void readOnlyFolderRewritesWritableFileInPlace()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("app");
        const QString file = folder + "/qirva.ini";
        QVERIFY(QDir().mkdir(folder));
        writeTextFile(file, "[S]\nk=1\n");
        const QByteArray nativeFolder = QFile::encodeName(folder);
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        if (::geteuid() == 0) {
            QVERIFY(::chown(nativeFolder.constData(), 65534, 65534) == 0);
            QVERIFY(::chown(QFile::encodeName(file).constData(), 65534, 65534) == 0);
        }
        QVERIFY(::chmod(nativeFolder.constData(), 0555) == 0);
        const int held = runUnprivileged([&] {
            IniFile ini(file);
            ini.load();
            ini.writeInteger("S", "k", 2);
            ini.writeInteger("S", "longer", 12345);
            return ini.save();
        });
        ::chmod(nativeFolder.constData(), 0755);
        if (held < 0)
            QSKIP("cannot drop root privileges here, so permission bits do not apply");
        QCOMPARE(held, 1);
        QCOMPARE(readTextFile(file), QByteArray("[S]\nk=2\nlonger=12345\n"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"qirva.ini"});
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
