// SPDX-License-Identifier: MIT
// Filing a file: never overwriting, never losing the source, never leaving a partial file.
#include "Platform.h"
#include "Transfer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tallyport;

namespace {

// Writes half of the bytes, then fails as a full disk would. Hard links are refused, as across
// file systems, so a source to be deleted is copied too.
class FailingMidwayPlatform : public Platform {
public:
    LinkOutcome linkExisting(const std::string&, const std::string&) override {
        return LinkOutcome::NotLinked;
    }
    void copyContents(int source, int target) override {
        char buffer[512];
        const ssize_t got = ::read(source, buffer, sizeof buffer);
        if (got > 0 && ::write(target, buffer, static_cast<size_t>(got) / 2) < 0)
            throw FileError("write failed early");
        throw FileError("cannot write the copy: No space left on device");
    }
};

// Another instance takes the name just before we link, whether we copy or move.
class RacingPlatform : public Platform {
public:
    bool linkNoReplace(TemporaryFile& file, const std::string& path) override {
        race(path);
        return Platform::linkNoReplace(file, path);
    }
    LinkOutcome linkExisting(const std::string& from, const std::string& to) override {
        race(to);
        return Platform::linkExisting(from, to);
    }

private:
    void race(const std::string& path) {
        if (std::exchange(raced, true))
            return;
        QFile rival(QString::fromStdString(path));
        rival.open(QIODevice::WriteOnly);
        rival.write("rival");
    }
    bool raced = false;
};

// Hard links fail, as they do across file systems.
class NoHardLinksPlatform : public Platform {
public:
    LinkOutcome linkExisting(const std::string&, const std::string&) override {
        return LinkOutcome::NotLinked;
    }
};

} // namespace

class TestTransfer : public QObject {
    Q_OBJECT

private slots:
    void init();
    void filesKeepingBytesModeAndTime_data();
    void filesKeepingBytesModeAndTime();
    void refusesWhatIsNotARegularFile_data();
    void refusesWhatIsNotARegularFile();
    void filesALinksTargetAndDeletesOnlyTheLink();
    void takesTheNextNameWhenTheFoundOneWasTaken_data();
    void takesTheNextNameWhenTheFoundOneWasTaken();
    void takesTheNextNameWhenAnotherInstanceWins_data();
    void takesTheNextNameWhenAnotherInstanceWins();
    void movesWithoutCopyingWhenDeletingOnTheSameFileSystem();
    void refusesWhenAllNamesAreTaken();
    void failedCopyLeavesNothingAndKeepsTheSource();
    void outputFolderWithoutSlashOrEmpty_data();
    void outputFolderWithoutSlashOrEmpty();
    void concurrentFilersNeverShareAName();
    void transferArgumentActsOnlyOnAFirstArgument_data();
    void transferArgumentActsOnlyOnAFirstArgument();

private:
    QString in(const QString& name) const { return dir->filePath("in/" + name); }
    QString out(const QString& name = {}) const { return dir->filePath("out/" + name); }
    QString makeSource(const QString& name, const QByteArray& bytes = "image bytes");
    FilingRequest request(const QString& source, bool deleteSource = true) const;
    QStringList outputEntries() const;

    std::unique_ptr<QTemporaryDir> dir;
};

void TestTransfer::init() {
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(dir->path()).mkdir("in") && QDir(dir->path()).mkdir("out"));
}

QString TestTransfer::makeSource(const QString& name, const QByteArray& bytes) {
    QFile file(in(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return file.fileName();
}

FilingRequest TestTransfer::request(const QString& source, bool deleteSource) const {
    const NameRule rule{out().toStdString(), "scimg_", 3};
    return {source.toStdString(), rule, findNextFileName(Platform::current(), rule).value_or(""),
            deleteSource};
}

QStringList TestTransfer::outputEntries() const {
    return QDir(out()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

void TestTransfer::filesKeepingBytesModeAndTime_data() {
    QTest::addColumn<bool>("deleteSource");
    QTest::addColumn<bool>("hardLinks");
    QTest::addRow("moved on the same file system") << true << true;
    QTest::addRow("copied and deleted across file systems") << true << false;
    QTest::addRow("copied when the source stays") << false << true;
}

void TestTransfer::filesKeepingBytesModeAndTime() {
    QFETCH(bool, deleteSource);
    QFETCH(bool, hardLinks);
    const QString source = makeSource("photo.png");
    QVERIFY(::chmod(source.toLocal8Bit(), 0640) == 0);
    const struct timespec times[2] = {{1000000000, 0}, {1200000000, 5}};
    QVERIFY(::utimensat(AT_FDCWD, source.toLocal8Bit(), times, 0) == 0);

    NoHardLinksPlatform noHardLinks;
    Platform& platform = hardLinks ? Platform::current() : noHardLinks;
    const TransferResult result = fileSource(platform, request(source, deleteSource));
    QCOMPARE(result.outcome, TransferOutcome::Filed);
    QCOMPARE(QString::fromStdString(result.destination), out("scimg_000.jpg"));
    QCOMPARE(result.sourceDeleted, deleteSource);
    QCOMPARE(QFile::exists(source), !deleteSource);
    QCOMPARE(outputEntries(), QStringList{"scimg_000.jpg"});
    QFile copy(out("scimg_000.jpg"));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), QByteArray("image bytes"));
    struct stat status {};
    QVERIFY(::stat(out("scimg_000.jpg").toLocal8Bit(), &status) == 0);
    QCOMPARE(status.st_mode & 0777, 0640u);
    QCOMPARE(status.st_mtim.tv_sec, 1200000000);
    QCOMPARE(exitStatus(result), 0);
}

void TestTransfer::refusesWhatIsNotARegularFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::addRow("a missing file") << "missing";
    QTest::addRow("a folder") << "folder";
    QTest::addRow("a FIFO, without blocking on it") << "fifo";
    QTest::addRow("a device") << "device";
    QTest::addRow("a dangling link") << "dangling";
}

void TestTransfer::refusesWhatIsNotARegularFile() {
    QFETCH(QString, kind);
    QString source = in("thing");
    if (kind == "folder")
        QVERIFY(QDir().mkdir(source));
    else if (kind == "fifo")
        QVERIFY(::mkfifo(source.toLocal8Bit(), 0600) == 0);
    else if (kind == "device")
        source = "/dev/null";
    else if (kind == "dangling")
        QVERIFY(QFile::link(in("nowhere"), source));

    const TransferResult result = fileSource(Platform::current(), request(source));
    QCOMPARE(result.outcome, TransferOutcome::Failed);
    QVERIFY(!result.problem.empty());
    QCOMPARE(exitStatus(result), 1);
    QVERIFY(outputEntries().isEmpty());
    if (kind != "missing")
        QVERIFY(QFileInfo::exists(source) || QFileInfo(source).isSymLink());
}

void TestTransfer::filesALinksTargetAndDeletesOnlyTheLink() {
    const QString target = makeSource("real.jpg", "target bytes");
    QVERIFY(QFile::link(target, in("link.jpg")));
    const TransferResult result = fileSource(Platform::current(), request(in("link.jpg")));
    QCOMPARE(result.outcome, TransferOutcome::Filed);
    QVERIFY(!QFileInfo(in("link.jpg")).isSymLink());
    QVERIFY(QFile::exists(target));
    QFile copy(out("scimg_000.jpg"));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), QByteArray("target bytes"));
    QVERIFY(!QFileInfo(out("scimg_000.jpg")).isSymLink());
}

void TestTransfer::takesTheNextNameWhenTheFoundOneWasTaken_data() {
    QTest::addColumn<bool>("asFolder");
    QTest::addRow("a file appeared after the search") << false;
    QTest::addRow("a folder of that name appeared") << true;
}

void TestTransfer::takesTheNextNameWhenTheFoundOneWasTaken() {
    QFETCH(bool, asFolder);
    const FilingRequest filing = request(makeSource("photo.jpg"));
    QCOMPARE(filing.preferredName, std::string("scimg_000.jpg"));
    if (asFolder) {
        QVERIFY(QDir().mkdir(out("scimg_000.jpg")));
    } else {
        QFile late(out("scimg_000.jpg"));
        QVERIFY(late.open(QIODevice::WriteOnly));
        late.write("keep me");
    }
    const TransferResult result = fileSource(Platform::current(), filing);
    QCOMPARE(result.outcome, TransferOutcome::Filed);
    QCOMPARE(QString::fromStdString(result.destination), out("scimg_001.jpg"));
    if (!asFolder) {
        QFile late(out("scimg_000.jpg"));
        QVERIFY(late.open(QIODevice::ReadOnly));
        QCOMPARE(late.readAll(), QByteArray("keep me"));
    }
}

void TestTransfer::takesTheNextNameWhenAnotherInstanceWins_data() {
    QTest::addColumn<bool>("deleteSource");
    QTest::addRow("while copying") << false;
    QTest::addRow("while moving") << true;
}

void TestTransfer::takesTheNextNameWhenAnotherInstanceWins() {
    QFETCH(bool, deleteSource);
    RacingPlatform racing;
    const TransferResult result =
        fileSource(racing, request(makeSource("photo.jpg"), deleteSource));
    QCOMPARE(result.outcome, TransferOutcome::Filed);
    QCOMPARE(QString::fromStdString(result.destination), out("scimg_001.jpg"));
    QFile rival(out("scimg_000.jpg"));
    QVERIFY(rival.open(QIODevice::ReadOnly));
    QCOMPARE(rival.readAll(), QByteArray("rival"));
}

void TestTransfer::movesWithoutCopyingWhenDeletingOnTheSameFileSystem() {
    const QString source = makeSource("photo.jpg");
    struct stat before {};
    QVERIFY(::stat(source.toLocal8Bit(), &before) == 0);
    const TransferResult result = fileSource(Platform::current(), request(source));
    QCOMPARE(result.outcome, TransferOutcome::Filed);
    QVERIFY(result.sourceDeleted);
    QVERIFY(!QFile::exists(source));
    struct stat after {};
    QVERIFY(::stat(out("scimg_000.jpg").toLocal8Bit(), &after) == 0);
    QCOMPARE(after.st_ino, before.st_ino); // the same file, not a copy
    QCOMPARE(after.st_nlink, nlink_t(1));
}

void TestTransfer::refusesWhenAllNamesAreTaken() {
    const NameRule rule{out().toStdString(), "s", 1};
    for (int i = 0; i < kCandidateCount; ++i)
        QVERIFY(QFile(QString::fromStdString(pathInFolder(rule.outputPath, candidateName(rule, i))))
                    .open(QIODevice::WriteOnly));
    const QString source = makeSource("photo.jpg");
    const TransferResult result =
        fileSource(Platform::current(), {source.toStdString(), rule, "", true});
    QCOMPARE(result.outcome, TransferOutcome::NoFreeName);
    QCOMPARE(exitStatus(result), 2);
    QVERIFY(QFile::exists(source));
    QCOMPARE(outputEntries().size(), kCandidateCount);
}

void TestTransfer::failedCopyLeavesNothingAndKeepsTheSource() {
    FailingMidwayPlatform failing;
    const QString source = makeSource("photo.jpg", QByteArray(4096, 'x'));
    const TransferResult result = fileSource(failing, request(source));
    QCOMPARE(result.outcome, TransferOutcome::Failed);
    QVERIFY(QString::fromStdString(result.problem).contains("No space"));
    QVERIFY(QFile::exists(source));
    QVERIFY(outputEntries().isEmpty());
}

void TestTransfer::outputFolderWithoutSlashOrEmpty_data() {
    QTest::addColumn<bool>("empty");
    QTest::addRow("a folder without its trailing slash files inside it") << false;
    QTest::addRow("an empty folder files into the current folder") << true;
}

void TestTransfer::outputFolderWithoutSlashOrEmpty() {
    QFETCH(bool, empty);
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(out()));
    const QString folder = empty ? QString() : out().chopped(1);
    const NameRule rule{folder.toStdString(), "scimg_", 3};
    const TransferResult result = fileSource(
        Platform::current(), {makeSource("photo.jpg").toStdString(), rule,
                              findNextFileName(Platform::current(), rule).value_or(""), true});
    QDir::setCurrent(previous);
    QCOMPARE(result.outcome, TransferOutcome::Filed);
    QCOMPARE(outputEntries(), QStringList{"scimg_000.jpg"});
}

void TestTransfer::concurrentFilersNeverShareAName() {
    constexpr int kFilers = 16;
    std::vector<FilingRequest> requests;
    for (int i = 0; i < kFilers; ++i)
        requests.push_back(request(makeSource(QString("p%1.jpg").arg(i), QByteArray::number(i))));
    std::vector<TransferResult> results(kFilers);
    std::vector<std::thread> filers;
    for (int i = 0; i < kFilers; ++i)
        filers.emplace_back([&, i] { results[i] = fileSource(Platform::current(), requests[i]); });
    for (auto& filer : filers)
        filer.join();

    QSet<QByteArray> contents;
    for (int i = 0; i < kFilers; ++i)
        QCOMPARE(results[i].outcome, TransferOutcome::Filed);
    const QStringList names = outputEntries();
    QCOMPARE(names.size(), kFilers);
    for (const QString& name : names) {
        QFile file(out(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        contents.insert(file.readAll());
    }
    QCOMPARE(contents.size(), kFilers);
    QVERIFY(QDir(dir->filePath("in")).isEmpty());
}

void TestTransfer::transferArgumentActsOnlyOnAFirstArgument_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("expectedFiled");
    QTest::addColumn<int>("expectedCloses");
    QTest::addRow("no argument does nothing, not even close") << QStringList{} << 0 << 0;
    QTest::addRow("an empty first argument counts as none") << QStringList{""} << 0 << 0;
    QTest::addRow("one file is filed and the host closes") << QStringList{"a.jpg"} << 1 << 1;
    QTest::addRow("later arguments are ignored") << QStringList{"a.jpg", "b.jpg"} << 1 << 1;
    QTest::addRow("a missing file still closes the host") << QStringList{"missing.jpg"} << 0 << 1;
}

void TestTransfer::transferArgumentActsOnlyOnAFirstArgument() {
    QFETCH(QStringList, arguments);
    QFETCH(int, expectedFiled);
    QFETCH(int, expectedCloses);
    makeSource("a.jpg");
    makeSource("b.jpg");
    std::vector<std::string> argv;
    for (const QString& argument : arguments)
        argv.push_back(argument.isEmpty() ? std::string() : in(argument).toStdString());
    SettingsValues settings;
    settings.OutputPath = out().toStdString();
    settings.FixedPart = "scimg_";
    settings.DigitCount = 3;
    settings.DeleteSource = 1;
    settings.NextFileName = "scimg_000.jpg";
    int closes = 0;
    transferArgument(Platform::current(), argv, settings, [&] { ++closes; });
    QCOMPARE(outputEntries().size(), expectedFiled);
    QCOMPARE(closes, expectedCloses);
    QVERIFY(QFile::exists(in("b.jpg")));
}

QTEST_GUILESS_MAIN(TestTransfer)
#include "tst_transfer.moc"
