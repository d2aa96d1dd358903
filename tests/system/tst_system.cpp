// SPDX-License-Identifier: MIT
// The real executable, copied alone into a sandbox, under load, faults and hostile input.
// Every run is headless (offscreen), bounded in time, and checked for what it must never do:
// overwrite, lose a source, leave a partial file under a sequential name, write outside the
// output folder, crash or hang.
#include "ProfileFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

struct Outcome {
    bool finished = false; // false: still running at the deadline (then killed)
    bool crashed = false;  // ended by a signal it did not ask for
    int status = -1;
    QByteArray errors; // standard error
};

// One run of the program with arguments passed as raw bytes (names need not be UTF-8).
class Run {
public:
    Run(const QString& program, const std::vector<std::string>& arguments, bool asNobody = false) {
        errors_ = std::tmpfile();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(::fileno(errors_), STDERR_FILENO);
            if (asNobody &&
                (::setgroups(0, nullptr) != 0 || ::setgid(kNoGroup) != 0 || ::setuid(kNobody) != 0))
                ::_exit(120);
            std::vector<std::string> argv{program.toStdString()};
            argv.insert(argv.end(), arguments.begin(), arguments.end());
            std::vector<char*> raw;
            for (auto& argument : argv)
                raw.push_back(argument.data());
            raw.push_back(nullptr);
            ::execv(raw[0], raw.data());
            ::_exit(127);
        }
    }
    ~Run() {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        std::fclose(errors_);
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    bool running() {
        if (reaped_)
            return false;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            reaped_ = true;
            status_ = status;
        }
        return !reaped_;
    }
    void kill() { ::kill(pid_, SIGKILL); }

    Outcome wait(std::chrono::milliseconds deadline = 60s) {
        const auto end = std::chrono::steady_clock::now() + deadline;
        while (running() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(5ms);
        Outcome outcome;
        outcome.finished = reaped_;
        if (!reaped_) {
            kill();
            ::waitpid(pid_, &status_, 0);
            reaped_ = true;
        }
        outcome.crashed = outcome.finished && WIFSIGNALED(status_);
        outcome.status = WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
        std::fflush(errors_);
        QFile file;
        if (file.open(::fileno(errors_), QIODevice::ReadOnly)) {
            file.seek(0);
            outcome.errors = file.readAll();
        }
        return outcome;
    }

private:
    pid_t pid_ = -1;
    FILE* errors_;
    bool reaped_ = false;
    int status_ = 0;
};

QByteArray digest(const QString& path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return file.open(QIODevice::ReadOnly) && hash.addData(&file) ? hash.result() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

// Every file below root with its size, for "nothing else was written" checks.
QMap<QString, qint64> snapshot(const QString& root) {
    QMap<QString, qint64> files;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        files.insert(it.filePath(), it.fileInfo().isSymLink() ? -2 : it.fileInfo().size());
    }
    return files;
}

QStringList sequentialNames(const QString& folder) {
    return QDir(folder).entryList({"*.jpg"}, QDir::Files | QDir::Hidden | QDir::System);
}

int rounds() {
    const int fromEnvironment = qEnvironmentVariableIntValue("TALLYPORT_SYSTEM_ROUNDS");
    return fromEnvironment > 0 ? fromEnvironment : 3;
}

// Unmounts what it mounted, on every path.
struct Mount {
    QString where;
    bool mounted = false;
    Mount(const QString& target, const char* options, unsigned long flags = 0) : where(target) {
        mounted = ::mount("tmpfs", target.toLocal8Bit(), "tmpfs", flags, options) == 0;
    }
    ~Mount() {
        if (mounted)
            ::umount2(where.toLocal8Bit(), MNT_DETACH);
    }
};

} // namespace

class TestSystem : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void concurrentInstancesFileEverySourceOnce_data();
    void concurrentInstancesFileEverySourceOnce();
    void fullFileSystemLeavesNothingAndKeepsTheSource();
    void unusableOutputFolderKeepsTheSource_data();
    void unusableOutputFolderKeepsTheSource();
    void killedMidCopyLeavesNoPartialFile_data();
    void killedMidCopyLeavesNoPartialFile();
    void unwritableSettingsAreReportedAndTheWindowStays();
    void hostileInputsGetAClearOutcome_data();
    void hostileInputsGetAClearOutcome();

private:
    QString path(const QString& name) const { return sandbox->filePath(name); }
    QString program() const { return path("prog/tallyport"); }
    void settings(const QByteArray& extra = {}, int deleteSource = 1);
    void checkSettingsWellFormed();

    std::unique_ptr<QTemporaryDir> sandbox;
    QTemporaryDir shared;
    QString largeSource; // 256 MiB, made once
};

void TestSystem::initTestCase() {
    QVERIFY(QFile::exists(TALLYPORT_BINARY));
    largeSource = shared.filePath("large.bin");
    QFile file(largeSource);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray block(1 << 20, '\0');
    for (int i = 0; i < 256; ++i) {
        block.fill(char(i));
        block.replace(0, 4, QByteArray::number(i).rightJustified(4, '0'));
        file.write(block);
    }
}

void TestSystem::init() {
    sandbox = std::make_unique<QTemporaryDir>();
    QVERIFY(::chmod(sandbox->path().toLocal8Bit(), 0755) == 0);
    for (const char* folder : {"prog", "out", "in"})
        QVERIFY(QDir(sandbox->path()).mkdir(folder));
    QVERIFY(QFile::copy(TALLYPORT_BINARY, program()));
    settings();
}

void TestSystem::settings(const QByteArray& extra, int deleteSource) {
    writeFile(path("prog/tallyport.INI"), "[Mode]\nDelete=" + QByteArray::number(deleteSource) +
                                              "\n[Path]\nOutput=" + path("out/").toUtf8() + "\n" +
                                              extra);
}

void TestSystem::checkSettingsWellFormed() {
    const auto file = tallyport::ProfileFile::read(path("prog/tallyport.INI").toStdString());
    for (const auto& [section, key] : {std::pair{"Pos", "Top"}, std::pair{"Pos", "Left"},
                                       std::pair{"Mode", "Delete"}, std::pair{"Name", "Degit"}}) {
        QVERIFY2(file.readInteger(section, key, INT_MIN) != INT_MIN, key);
    }
    QCOMPARE(file.readString("Path", "Output", "?"), path("out/").toStdString());
    QCOMPARE(file.readString("Name", "Fix", "?"), std::string("scimg_"));
}

void TestSystem::concurrentInstancesFileEverySourceOnce_data() {
    QTest::addColumn<int>("instances");
    QTest::addColumn<int>("roundCount");
    QTest::addColumn<int>("deleteSource");
    QTest::addColumn<bool>("gaps");
    QTest::addRow("32 instances at once, round after round, moving")
        << 32 << rounds() << 1 << false;
    QTest::addRow("32 instances copying into a folder with gaps") << 32 << 1 << 0 << true;
}

void TestSystem::concurrentInstancesFileEverySourceOnce() {
    QFETCH(int, instances);
    QFETCH(int, roundCount);
    QFETCH(int, deleteSource);
    QFETCH(bool, gaps);
    settings({}, deleteSource);
    QMap<QString, QByteArray> existing;
    if (gaps)
        for (int number : {0, 2, 3, 7, 11, 12, 20, 40}) {
            const QString name = QString("scimg_%1.jpg").arg(number, 3, 10, QChar('0'));
            writeFile(path("out/" + name), "old " + name.toUtf8());
            existing.insert(name, digest(path("out/" + name)));
        }

    QMap<QByteArray, QString> expected; // digest of each source -> its source
    for (int round = 0; round < roundCount; ++round) {
        std::vector<std::unique_ptr<Run>> runs;
        for (int i = 0; i < instances; ++i) {
            const QString source = path(QString("in/r%1-%2.png").arg(round).arg(i));
            writeFile(source, QByteArray(4096 + i * 997, char('a' + i % 26)) + source.toUtf8());
            expected.insert(digest(source), source);
            runs.push_back(std::make_unique<Run>(program(), std::vector{source.toStdString()}));
        }
        for (auto& run : runs) {
            const Outcome outcome = run->wait();
            QVERIFY2(outcome.finished && outcome.status == 0, outcome.errors.constData());
        }
    }

    QMap<QByteArray, int> filed;
    const QStringList names = sequentialNames(path("out"));
    for (const QString& name : names) {
        if (existing.contains(name)) {
            QCOMPARE(digest(path("out/" + name)), existing.value(name)); // never overwritten
            continue;
        }
        filed[digest(path("out/" + name))] += 1;
    }
    QCOMPARE(names.size(), existing.size() + instances * roundCount);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        QVERIFY2(filed.value(it.key()) == 1,
                 qPrintable(it.value() + " was not filed exactly once"));
        QCOMPARE(QFile::exists(it.value()), deleteSource == 0);
    }
    if (gaps) // the gaps are filled first
        for (int number : {1, 4, 5, 6, 8})
            QVERIFY(names.contains(QString("scimg_%1.jpg").arg(number, 3, 10, QChar('0'))));
    checkSettingsWellFormed();
}

void TestSystem::fullFileSystemLeavesNothingAndKeepsTheSource() {
    const Mount small(path("out"), "size=1m");
    if (!small.mounted)
        QSKIP("cannot mount a 1 MiB tmpfs here (needs root with mount rights); skipped");
    const QString source = path("in/big.png");
    writeFile(source, QByteArray(3 << 20, 'x'));
    const QByteArray before = digest(source);
    const Outcome outcome = Run(program(), {source.toStdString()}).wait();
    QVERIFY(outcome.finished && !outcome.crashed);
    QCOMPARE(outcome.status, 1);
    QVERIFY2(outcome.errors.contains("No space left"), outcome.errors.constData());
    QCOMPARE(QDir(path("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
    QCOMPARE(digest(source), before);
}

void TestSystem::unusableOutputFolderKeepsTheSource_data() {
    QTest::addColumn<QString>("kind");
    QTest::addRow("the output folder is missing") << "missing";
    QTest::addRow("the output folder is read-only to the user") << "read-only";
}

void TestSystem::unusableOutputFolderKeepsTheSource() {
    QFETCH(QString, kind);
    const QString source = path("in/photo.png");
    writeFile(source, "pixels");
    const bool asNobody = kind == "read-only";
    if (asNobody) { // the program, its settings and the source are the user's; the output is not
        for (const char* folder : {"prog", "in"})
            QVERIFY(::chmod(path(folder).toLocal8Bit(), 0777) == 0);
        QVERIFY(::chmod(path("prog/tallyport.INI").toLocal8Bit(), 0666) == 0);
    } else {
        settings("[Path]\nOutput=" + path("nope/").toUtf8() + "\n");
        QVERIFY(QFile::remove(path("prog/tallyport.INI")));
        writeFile(path("prog/tallyport.INI"), "[Path]\nOutput=" + path("nope/").toUtf8() + "\n");
    }
    const Outcome outcome = Run(program(), {source.toStdString()}, asNobody).wait();
    QVERIFY(outcome.finished && !outcome.crashed);
    QCOMPARE(outcome.status, 1);
    QVERIFY(!outcome.errors.isEmpty());
    QVERIFY(QFile::exists(source));
    QVERIFY(sequentialNames(path("out")).isEmpty());
    QVERIFY(!QFile::exists(path("nope")));
}

void TestSystem::killedMidCopyLeavesNoPartialFile_data() {
    QTest::addColumn<int>("afterMs");
    QTest::addRow("killed early") << 30;
    QTest::addRow("killed later") << 120;
    QTest::addRow("killed late") << 300;
}

void TestSystem::killedMidCopyLeavesNoPartialFile() {
    QFETCH(int, afterMs);
    settings({}, 0); // keep the source, so it is copied
    const QByteArray original = digest(largeSource);
    {
        Run run(program(), {largeSource.toStdString()});
        std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
        run.kill();
        run.wait(10s);
    }
    QCOMPARE(digest(largeSource), original);
    for (const QString& entry :
         QDir(path("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        // Whatever has a name is complete: the copy is named only once it is whole.
        QVERIFY2(entry.startsWith("scimg_"), qPrintable("left behind: " + entry));
        QCOMPARE(digest(path("out/" + entry)), original);
    }
}

void TestSystem::unwritableSettingsAreReportedAndTheWindowStays() {
    // The settings are root's; the source and the output are the user's.
    for (const char* folder : {"out", "in"})
        QVERIFY(::chmod(path(folder).toLocal8Bit(), 0777) == 0);
    const QString source = path("in/photo.png");
    writeFile(source, "pixels");
    QVERIFY(::chmod(source.toLocal8Bit(), 0666) == 0);
    Run run(program(), {source.toStdString()}, true);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path("out/scimg_000.jpg")), 20000);
    QTest::qWait(1500);
    QVERIFY2(run.running(), "the window closed although the settings were not saved");
    const Outcome outcome = run.wait(0ms);
    QVERIFY2(outcome.errors.contains(path("prog/tallyport.INI").toUtf8() + " に書き込めません"),
             outcome.errors.constData());
    QVERIFY(!QFile::exists(source));
}

void TestSystem::hostileInputsGetAClearOutcome_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("filedAs"); // path under the sandbox, "" when nothing is filed
    QTest::addRow("a folder as source") << "folder" << 1 << "";
    QTest::addRow("a FIFO as source, without hanging") << "fifo" << 1 << "";
    QTest::addRow("a device as source") << "device" << 1 << "";
    QTest::addRow("a dangling link as source") << "dangling" << 1 << "";
    QTest::addRow("a source path of 4,000 bytes") << "long path" << 0 << "out/scimg_000.jpg";
    QTest::addRow("a name with newlines and invalid UTF-8")
        << "odd name" << 0 << "out/scimg_000.jpg";
    QTest::addRow("a 100 MB settings file") << "huge settings" << 0 << "out/scimg_000.jpg";
    QTest::addRow("a settings file of binary garbage")
        << "garbage settings" << 0 << "prog/scimg_000.jpg";
    QTest::addRow("a settings file of one 10 MB line, naming no usable folder")
        << "long line settings" << 1 << "";
    QTest::addRow("NUL bytes in the settings") << "nul settings" << 0 << "out/a000.jpg";
    QTest::addRow("invalid Shift-JIS in the fixed part")
        << "bad shift-jis" << 0 << "out/\xef\xbf\xbd \xef\xbf\xbd_000.jpg";
    QTest::addRow("a fixed part climbing out of the folder is refused") << "slash fix" << 1 << "";
    QTest::addRow("a fixed part of dots stays inside the folder")
        << "dots fix" << 0 << "out/..000.jpg";
}

void TestSystem::hostileInputsGetAClearOutcome() {
    QFETCH(QString, kind);
    QFETCH(int, status);
    QFETCH(QString, filedAs);
    const QByteArray output = "[Path]\nOutput=" + path("out/").toUtf8() + "\n";
    std::string source = path("in/photo.png").toStdString();
    QByteArray sourceBytes = "pixels";
    if (kind == "folder") {
        QVERIFY(QDir().mkdir(QString::fromStdString(source)));
    } else if (kind == "fifo") {
        QVERIFY(::mkfifo(source.c_str(), 0600) == 0);
    } else if (kind == "device") {
        source = "/dev/zero";
    } else if (kind == "dangling") {
        QVERIFY(::symlink(path("in/nowhere").toLocal8Bit(), source.c_str()) == 0);
    } else if (kind == "long path") {
        QString folder = path("in");
        while (folder.size() < 3800)
            folder += "/" + QString(200, QChar('d'));
        QVERIFY(QDir().mkpath(folder));
        source = (folder + "/" + QString(4000 - folder.size() - 1, QChar('f'))).toStdString();
        QCOMPARE(source.size(), size_t(4000));
    } else if (kind == "odd name") {
        source = path("in/").toStdString() + "line\nbreak \xff\xfe.png";
    } else if (kind == "huge settings") {
        QFile huge(path("prog/tallyport.INI"));
        QVERIFY(huge.open(QIODevice::WriteOnly));
        const QByteArray lines = QByteArray("k=v\n").repeated(1 << 18); // 1 MiB
        huge.write("[Junk]\n");
        for (int i = 0; i < 100; ++i)
            huge.write(lines);
        huge.write(output);
    } else if (kind == "garbage settings") {
        QByteArray garbage(1 << 20, '\0');
        for (int i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 2654435761u) >> 13);
        writeFile(path("prog/tallyport.INI"), garbage);
    } else if (kind == "long line settings") {
        writeFile(path("prog/tallyport.INI"), "[Path]\nOutput=" + QByteArray(10 << 20, 'x'));
    } else if (kind == "nul settings") {
        writeFile(path("prog/tallyport.INI"), "[Path]\nOutput=" + path("out/").toUtf8() +
                                                  QByteArray("\0junk\n[Name]\nFix=a\0b\n", 19));
    } else if (kind == "bad shift-jis") {
        writeFile(path("prog/tallyport.INI"), output + "[Name]\nFix=\x81\x20\xff_\n");
    } else if (kind == "slash fix") {
        writeFile(path("prog/tallyport.INI"), output + "[Name]\nFix=../../evil_\n");
    } else if (kind == "dots fix") {
        writeFile(path("prog/tallyport.INI"), output + "[Name]\nFix=..\n");
    }
    const bool plainSource = !QStringList{"folder", "fifo", "device", "dangling"}.contains(kind);
    if (plainSource) {
        if (kind == "odd name") { // not UTF-8: create it by its bytes
            const int fd = ::open(source.c_str(), O_WRONLY | O_CREAT, 0644);
            QVERIFY(fd >= 0);
            QCOMPARE(::write(fd, sourceBytes.data(), size_t(sourceBytes.size())), ssize_t(6));
            ::close(fd);
        } else {
            writeFile(QString::fromStdString(source), sourceBytes);
        }
    }
    const QMap<QString, qint64> before = snapshot(sandbox->path());

    const Outcome outcome = Run(program(), {source}).wait(120s);
    QVERIFY2(outcome.finished, "the program hung");
    QVERIFY2(!outcome.crashed, "the program crashed");
    QCOMPARE(outcome.status, status);

    // Nothing else changed: the settings file and the filed file (and its source, when moved)
    // are the only differences.
    QMap<QString, qint64> after = snapshot(sandbox->path());
    after.remove(path("prog/tallyport.INI"));
    QMap<QString, qint64> expected = before;
    expected.remove(path("prog/tallyport.INI"));
    if (!filedAs.isEmpty()) {
        QVERIFY2(after.contains(path(filedAs)), qPrintable(QStringList(after.keys()).join('\n')));
        QCOMPARE(after.take(path(filedAs)), qint64(sourceBytes.size()));
        expected.remove(QString::fromLocal8Bit(source.c_str()));
        expected.remove(QFile::decodeName(source.c_str()));
    }
    QCOMPARE(QStringList(after.keys()), QStringList(expected.keys()));
}

QTEST_GUILESS_MAIN(TestSystem)
#include "tst_system.moc"
