// SPDX-License-Identifier: MIT
// The settings file: where it is, what loads from it and how saving keeps the user's file.
#include "ProfileFile.h"
#include "Rw_ini.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tallyport;

namespace {

QByteArray fixture(const char* name) {
    QFile file(QStringLiteral(TALLYPORT_FIXTURES "/") + QString::fromUtf8(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

SettingsValues sampleValues() {
    SettingsValues values;
    values.FormTop = 120;
    values.FormLeft = -8;
    values.DeleteSource = 0;
    values.OutputPath = "/srv/scans/";
    values.FixedPart = "写真_";
    values.DigitCount = 4;
    return values;
}

} // namespace

class TestRwIni : public QObject {
    Q_OBJECT

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
    }

    void findsTheSettingsFileBesideTheExecutable_data();
    void findsTheSettingsFileBesideTheExecutable();
    void missingFileGivesDefaults();
    void loadsStoredValues_data();
    void loadsStoredValues();
    void cutsLongTextsBetweenCharacters();
    void newFileHasTheDocumentedLayout();
    void saveReplacesValuesInPlaceAndKeepsTheRest();
    void saveKeepsPermissionsAndLeavesNoTemporaryFiles();
    void shiftJisFileReadsAndStaysShiftJis();
    void shiftJisFileTakingAnUnencodableTextBecomesUtf8();
    void unwritableFileFailsWithTheUsersMessage_data();
    void unwritableFileFailsWithTheUsersMessage();
    void readOnlyFileIsNeverReplaced();
    void saveStopsAtTheFirstValueThatCannotBeWritten();

private:
    QString path(const char* name) const { return dir->filePath(QString::fromUtf8(name)); }
    std::string iniPath() const { return path("tallyport.INI").toStdString(); }
    std::unique_ptr<QTemporaryDir> dir;
};

void TestRwIni::findsTheSettingsFileBesideTheExecutable_data() {
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("folder");
    QTest::addRow("a name without extension gets .INI appended") << "/opt/t/tallyport"
                                                                 << "/opt/t/tallyport.INI"
                                                                 << "/opt/t/";
    QTest::addRow("an extension is replaced") << "/opt/t/x.exe"
                                              << "/opt/t/x.INI"
                                              << "/opt/t/";
    QTest::addRow("only the last extension is replaced") << "/opt/t/a.b.bin"
                                                         << "/opt/t/a.b.INI"
                                                         << "/opt/t/";
    QTest::addRow("a dot in a folder name is no extension") << "/opt/v1.2/tallyport"
                                                            << "/opt/v1.2/tallyport.INI"
                                                            << "/opt/v1.2/";
    QTest::addRow("multi-byte names pass through") << "/home/写真/ツール"
                                                   << "/home/写真/ツール.INI"
                                                   << "/home/写真/";
}

void TestRwIni::findsTheSettingsFileBesideTheExecutable() {
    QFETCH(QString, executable);
    QFETCH(QString, settings);
    QFETCH(QString, folder);
    QCOMPARE(QString::fromStdString(settingsFilePath(executable.toStdString())), settings);
    QCOMPARE(QString::fromStdString(executableFolder(executable.toStdString())), folder);
}

void TestRwIni::missingFileGivesDefaults() {
    const SettingsValues values = readSettings(iniPath(), "/opt/t/");
    QCOMPARE(values.FormTop, 50);
    QCOMPARE(values.FormLeft, 50);
    QCOMPARE(values.DeleteSource, 1);
    QCOMPARE(values.OutputPath, std::string("/opt/t/"));
    QCOMPARE(values.FixedPart, std::string("scimg_"));
    QCOMPARE(values.DigitCount, 3);
}

void TestRwIni::loadsStoredValues_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");
    QTest::addRow("an empty Fix is empty, not the default")
        << QByteArray("[Name]\nFix=\n") << "FixedPart"
        << "";
    QTest::addRow("an unparsable Degit gives 3")
        << QByteArray("[Name]\nDegit=abc\n") << "DigitCount"
        << "3";
    QTest::addRow("a Degit above 4 is brought to 4")
        << QByteArray("[Name]\nDegit=9\n") << "DigitCount"
        << "4";
    QTest::addRow("a Degit of 0 is brought to 1") << QByteArray("[Name]\nDegit=0\n") << "DigitCount"
                                                  << "1";
    QTest::addRow("a negative Degit is brought to 1")
        << QByteArray("[Name]\nDegit=-3\n") << "DigitCount"
        << "1";
    QTest::addRow("hexadecimal Top") << QByteArray("[Pos]\nTop=0x20\n") << "FormTop"
                                     << "32";
    QTest::addRow("negative Left") << QByteArray("[Pos]\nLeft=-40\n") << "FormLeft"
                                   << "-40";
    QTest::addRow("any non-zero Delete is on, as stored")
        << QByteArray("[Mode]\nDelete=5\n") << "DeleteSource"
        << "5";
    QTest::addRow("an Output without trailing slash is kept as it is")
        << QByteArray("[Path]\nOutput=/srv/scans\n") << "OutputPath"
        << "/srv/scans";
    QTest::addRow("a value in the wrong section is not seen")
        << QByteArray("[Pos]\nFix=x\n") << "FixedPart"
        << "scimg_";
}

void TestRwIni::loadsStoredValues() {
    QFETCH(QByteArray, file);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    writeFile(path("tallyport.INI"), file);
    const SettingsValues v = readSettings(iniPath(), "/opt/t/");
    const QMap<QString, QString> fields{
        {"FormTop", QString::number(v.FormTop)},
        {"FormLeft", QString::number(v.FormLeft)},
        {"DeleteSource", QString::number(v.DeleteSource)},
        {"OutputPath", QString::fromStdString(v.OutputPath)},
        {"FixedPart", QString::fromStdString(v.FixedPart)},
        {"DigitCount", QString::number(v.DigitCount)},
    };
    QCOMPARE(fields.value(field), expected);
}

void TestRwIni::cutsLongTextsBetweenCharacters() {
    // 683 three-byte characters make 2,049 bytes; the cut at 2,047 must fall back to 2,046.
    QByteArray utf8Value;
    for (int i = 0; i < 683; ++i)
        utf8Value += "あ";
    writeFile(path("tallyport.INI"), "[Name]\nFix=" + utf8Value + "\n");
    QCOMPARE(readSettings(iniPath(), "").FixedPart.size(), size_t(2046));

    // Shift-JIS: one ASCII byte then two-byte characters, so the limit falls inside one.
    QByteArray pairs = "a";
    for (int i = 0; i < 1024; ++i)
        pairs += "\x82\xa0"; // あ
    writeFile(path("tallyport.INI"), "[Name]\nFix=" + pairs + "\n");
    const std::string cut = readSettings(iniPath(), "").FixedPart;
    QCOMPARE(cut.size(), size_t(1 + 1023 * 3)); // 2,047 bytes hold "a" and 1,023 whole characters
    QVERIFY(cut.ends_with("あ"));
}

void TestRwIni::newFileHasTheDocumentedLayout() {
    SettingsValues values = readSettings(iniPath(), "/opt/t/");
    writeSettings(iniPath(), values);
    QCOMPARE(readFile(path("tallyport.INI")),
             QByteArray("[Pos]\nTop=50\nLeft=50\n[Mode]\nDelete=1\n[Path]\nOutput=/opt/t/\n"
                        "[Name]\nFix=scimg_\nDegit=3\n"));
}

void TestRwIni::saveReplacesValuesInPlaceAndKeepsTheRest() {
    writeFile(path("tallyport.INI"), fixture("odd_layout.ini"));
    writeSettings(iniPath(), sampleValues());
    QCOMPARE(
        readFile(path("tallyport.INI")),
        QByteArray("; Tallyport settings, kept by hand\r\n[pos]\r\n  top = 120  \r\nleft=-8\r\n"
                   "\r\n[Window]\r\nTheme=dark\r\n\r\n[NAME]\r\n; the prefix\r\n"
                   "fix = 写真_\r\nDegit=4\r\n[Mode]\r\nDelete=0\r\n[Path]\r\n"
                   "Output=/srv/scans/\r\n"));
    const SettingsValues back = readSettings(iniPath(), "");
    QCOMPARE(back.FixedPart, sampleValues().FixedPart);
    QCOMPARE(back.FormLeft, -8);
}

void TestRwIni::saveKeepsPermissionsAndLeavesNoTemporaryFiles() {
    writeFile(path("tallyport.INI"), "[Pos]\nTop=1\n");
    QVERIFY(::chmod(iniPath().c_str(), 0640) == 0);
    writeSettings(iniPath(), sampleValues());
    struct stat status {};
    QVERIFY(::stat(iniPath().c_str(), &status) == 0);
    QCOMPARE(status.st_mode & 0777, 0640u);
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"tallyport.INI"});
}

void TestRwIni::shiftJisFileReadsAndStaysShiftJis() {
    const QByteArray original = fixture("shift_jis.ini");
    writeFile(path("tallyport.INI"), original);
    SettingsValues values = readSettings(iniPath(), "");
    QCOMPARE(QString::fromStdString(values.FixedPart), QString("写真_"));

    writeSettings(iniPath(), values);
    const QByteArray saved = readFile(path("tallyport.INI"));
    QVERIFY2(saved.startsWith(original), "the Shift-JIS bytes, 0x5C trail byte included, stay");
    QVERIFY(saved.contains("Fix=\x8e\xca\x90\x5e_\r\n"));
}

void TestRwIni::shiftJisFileTakingAnUnencodableTextBecomesUtf8() {
    writeFile(path("tallyport.INI"), fixture("shift_jis.ini"));
    SettingsValues values = readSettings(iniPath(), "");
    values.FixedPart = "scan🙂_";
    writeSettings(iniPath(), values);
    const SettingsValues back = readSettings(iniPath(), "");
    QCOMPARE(back.FixedPart, values.FixedPart);
    QVERIFY2(readFile(path("tallyport.INI")).contains("Note=表示"), "other texts were converted");
}

void TestRwIni::unwritableFileFailsWithTheUsersMessage_data() {
    QTest::addColumn<QString>("blocker");
    QTest::addColumn<QString>("settingsName");
    QTest::addRow("a folder stands in the file's place") << "tallyport.INI"
                                                         << "tallyport.INI";
    QTest::addRow("a file stands in the folder's place") << "plain"
                                                         << "plain/tallyport.INI";
}

void TestRwIni::unwritableFileFailsWithTheUsersMessage() {
    QFETCH(QString, blocker);
    QFETCH(QString, settingsName);
    if (blocker == "plain")
        writeFile(path("plain"), "x");
    else
        QVERIFY(QDir(dir->path()).mkdir(blocker));
    const std::string settings = dir->filePath(settingsName).toStdString();
    try {
        writeSettings(settings, sampleValues());
        QFAIL("the save reported success");
    } catch (const SettingsWriteError& error) {
        QCOMPARE(QString::fromUtf8(error.what()),
                 QString::fromStdString(settings) + " に書き込めません");
        QVERIFY(!error.reason().empty());
    }
}

void TestRwIni::readOnlyFileIsNeverReplaced() {
    const QByteArray original = "[Pos]\nTop=1\n";
    writeFile(path("tallyport.INI"), original);
    QVERIFY(::chmod(iniPath().c_str(), 0444) == 0);
    // Root writes through file modes, so the check runs as an unprivileged user in a child. The
    // folder is open to all, so only our own check can stop a replacement through it.
    QVERIFY(::chmod(dir->path().toLocal8Bit().constData(), 0777) == 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        try {
            writeSettings(iniPath(), sampleValues());
        } catch (const SettingsWriteError&) {
            ::_exit(0);
        }
        ::_exit(1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(::chmod(dir->path().toLocal8Bit().constData(), 0700) == 0);
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(readFile(path("tallyport.INI")), original);
}

void TestRwIni::saveStopsAtTheFirstValueThatCannotBeWritten() {
    // A file size limit lets the short values through and fails the long output folder, as a
    // full disk would.
    SettingsValues values = sampleValues();
    values.OutputPath = "/" + std::string(3000, 'o') + "/";
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{512, 512};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            writeSettings(iniPath(), values);
        } catch (const SettingsWriteError&) {
            ::_exit(0);
        }
        ::_exit(1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(readFile(path("tallyport.INI")),
             QByteArray("[Pos]\nTop=120\nLeft=-8\n[Mode]\nDelete=0\n"));
}

QTEST_GUILESS_MAIN(TestRwIni)
#include "tst_rwini.moc"
