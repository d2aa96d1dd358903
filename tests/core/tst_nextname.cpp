// SPDX-License-Identifier: MIT
// The next free sequential name in an output folder.
#include "NextName.h"
#include "Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

using namespace tallyport;

namespace {

// Counts metadata calls; optionally looks names up without regard to case, as some file systems
// (FAT, SMB shares) do.
class CountingPlatform : public Platform {
public:
    explicit CountingPlatform(bool ignoreCase = false) : ignoreCase_(ignoreCase) {}
    bool fileExists(const std::string& path) override {
        ++calls;
        if (!ignoreCase_)
            return Platform::fileExists(path);
        const QFileInfo wanted(QString::fromStdString(path));
        const QStringList files = QDir(wanted.path()).entryList(QDir::Files | QDir::System);
        return files.contains(wanted.fileName(), Qt::CaseInsensitive);
    }
    bool listFolder(const std::string& folder, const EntryVisitor& visit) override {
        ++calls;
        return Platform::listFolder(folder, visit);
    }
    int calls = 0;

private:
    bool ignoreCase_;
};

// The reference: one lookup per candidate, in rising order.
std::optional<std::string> plainProbe(Platform& platform, const NameRule& rule) {
    for (int number = 0; number < kCandidateCount; ++number)
        if (!platform.fileExists(pathInFolder(rule.outputPath, candidateName(rule, number))))
            return candidateName(rule, number);
    return std::nullopt;
}

void touch(const QString& path) {
    QFile(path).open(QIODevice::WriteOnly);
}

} // namespace

class TestNextName : public QObject {
    Q_OBJECT

private slots:
    void padsNumbersLikePrintf_data();
    void padsNumbersLikePrintf();
    void joinsFolderAndName_data();
    void joinsFolderAndName();
    void findsLowestFreeName_data();
    void findsLowestFreeName();
    void searchCostsAtMostThreeMetadataCalls_data();
    void searchCostsAtMostThreeMetadataCalls();
    void agreesWithAPlainProbeOnMixedFolders();
    void confirmsNamesOnCaseInsensitiveFileSystems();
    void missingFolderGivesNumberZero();
    void allNamesTakenGivesNoName();
};

void TestNextName::padsNumbersLikePrintf_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("expected");
    QTest::addRow("three digits pad to three") << 5 << 3 << "005";
    QTest::addRow("a longer number is never cut") << 123 << 2 << "123";
    QTest::addRow("one digit pads nothing for ten") << 10 << 1 << "10";
    QTest::addRow("four digits") << 999 << 4 << "0999";
    QTest::addRow("sixteen digits still pad") << 7 << 16 << "0000000000000007";
    QTest::addRow("above sixteen pads nothing") << 7 << 17 << "7";
    QTest::addRow("zero pads nothing") << 7 << 0 << "7";
    QTest::addRow("a negative count pads nothing") << 7 << -1 << "7";
}

void TestNextName::padsNumbersLikePrintf() {
    QFETCH(int, number);
    QFETCH(int, digits);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(paddedNumber(number, digits)), expected);
}

void TestNextName::joinsFolderAndName_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");
    QTest::addRow("a folder with its trailing slash") << "/srv/out/"
                                                      << "/srv/out/n.jpg";
    QTest::addRow("a folder without it files inside, not beside") << "/srv/out"
                                                                  << "/srv/out/n.jpg";
    QTest::addRow("an empty folder is the current one") << ""
                                                        << "n.jpg";
    QTest::addRow("the root") << "/"
                              << "/n.jpg";
    QTest::addRow("a doubled separator stays harmless") << "//"
                                                        << "//n.jpg";
}

void TestNextName::joinsFolderAndName() {
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(pathInFolder(folder.toStdString(), "n.jpg")), expected);
}

void TestNextName::findsLowestFreeName_data() {
    QTest::addColumn<QStringList>("entries"); // "name/" is a folder, "@name" a dangling link
    QTest::addColumn<QString>("fixedPart");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("expected"); // "" when there is none
    const QString scimg = "scimg_";
    QTest::addRow("an empty folder gives number 0")
        << QStringList{} << scimg << 3 << "scimg_000.jpg";
    QTest::addRow("taken names are skipped")
        << QStringList{"scimg_000.jpg", "scimg_001.jpg"} << scimg << 3 << "scimg_002.jpg";
    QTest::addRow("a gap in numbering is filled first")
        << QStringList{"scimg_001.jpg"} << scimg << 3 << "scimg_000.jpg";
    QTest::addRow("an empty fixed part gives the bare number")
        << QStringList{} << "" << 3 << "000.jpg";
    QTest::addRow("four digits make a different name")
        << QStringList{"scimg_000.jpg"} << scimg << 4 << "scimg_0000.jpg";
    QTest::addRow("one digit grows past nine")
        << QStringList{"s0.jpg", "s1.jpg", "s2.jpg", "s3.jpg", "s4.jpg",
                       "s5.jpg", "s6.jpg", "s7.jpg", "s8.jpg", "s9.jpg"}
        << "s" << 1 << "s10.jpg";
    QTest::addRow("a folder of that name does not count")
        << QStringList{"scimg_000.jpg/"} << scimg << 3 << "scimg_000.jpg";
    QTest::addRow("a dangling link takes its name")
        << QStringList{"@scimg_000.jpg"} << scimg << 3 << "scimg_001.jpg";
    QTest::addRow("other extensions never block")
        << QStringList{"scimg_000.png", "scimg_000.jpeg"} << scimg << 3 << "scimg_000.jpg";
    QTest::addRow("Japanese fixed part")
        << QStringList{"写真_000.jpg"} << "写真_" << 3 << "写真_001.jpg";
    QTest::addRow("a fixed part with a slash makes no name") << QStringList{} << "../x" << 3 << "";
    QTest::addRow("dots alone are a plain name") << QStringList{} << ".." << 3 << "..000.jpg";
}

void TestNextName::findsLowestFreeName() {
    QFETCH(QStringList, entries);
    QFETCH(QString, fixedPart);
    QFETCH(int, digits);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    for (const QString& entry : entries) {
        if (entry.endsWith('/'))
            QVERIFY(QDir(dir.path()).mkdir(entry.chopped(1)));
        else if (entry.startsWith('@'))
            QVERIFY(QFile::link(dir.filePath("nowhere"), dir.filePath(entry.mid(1))));
        else
            QVERIFY(QFile(dir.filePath(entry)).open(QIODevice::WriteOnly));
    }
    for (const QString& folder : {dir.path() + "/", dir.path()}) {
        const NameRule rule{folder.toStdString(), fixedPart.toStdString(), digits};
        const auto found = findNextFileName(Platform::current(), rule);
        QCOMPARE(QString::fromStdString(found.value_or("")), expected);
    }
}

void TestNextName::searchCostsAtMostThreeMetadataCalls_data() {
    QTest::addColumn<int>("taken");     // scimg_000 .. taken-1 present
    QTest::addColumn<int>("unrelated"); // other files beside them
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("calls");
    QTest::addRow("an empty folder takes one lookup") << 0 << 0 << "scimg_000.jpg" << 1;
    QTest::addRow("999 names taken: lookup, listing, confirmation")
        << 999 << 0 << "scimg_999.jpg" << 3;
    QTest::addRow("ten names among many unrelated files") << 10 << 2000 << "scimg_010.jpg" << 3;
    QTest::addRow("all names taken: lookup and listing") << 1000 << 0 << "" << 2;
}

void TestNextName::searchCostsAtMostThreeMetadataCalls() {
    QFETCH(int, taken);
    QFETCH(int, unrelated);
    QFETCH(QString, expected);
    QFETCH(int, calls);
    QTemporaryDir dir;
    const NameRule rule{dir.path().toStdString() + "/", "scimg_", 3};
    for (int i = 0; i < taken; ++i)
        touch(QString::fromStdString(pathInFolder(rule.outputPath, candidateName(rule, i))));
    for (int i = 0; i < unrelated; ++i)
        touch(dir.filePath(QString("IMG_%1.png").arg(i)));
    CountingPlatform counting;
    QCOMPARE(QString::fromStdString(findNextFileName(counting, rule).value_or("")), expected);
    QCOMPARE(counting.calls, calls);
}

void TestNextName::agreesWithAPlainProbeOnMixedFolders() {
    // Seeded, so a failure repeats: files, folders, dangling links and near-miss names at random.
    std::srand(20261211);
    for (int round = 0; round < 40; ++round) {
        QTemporaryDir dir;
        const NameRule rule{dir.path().toStdString(), round % 3 ? "scimg_" : "", 1 + round % 4};
        for (int i = 0; i < 60; ++i) {
            const int number = std::rand() % 40;
            const QString name = QString::fromStdString(candidateName(rule, number));
            switch (std::rand() % 5) {
            case 0:
                QDir(dir.path()).mkdir(name);
                break;
            case 1:
                QFile::link(dir.filePath("nowhere"), dir.filePath(name));
                break;
            case 2:
                touch(dir.filePath(name + ".bak"));
                break;
            case 3:
                touch(dir.filePath(QString::number(number) + ".jpg"));
                break;
            default:
                touch(dir.filePath(name));
                break;
            }
        }
        const auto found = findNextFileName(Platform::current(), rule);
        QCOMPARE(found, plainProbe(Platform::current(), rule));
    }
}

void TestNextName::confirmsNamesOnCaseInsensitiveFileSystems() {
    QTemporaryDir dir;
    touch(dir.filePath("scimg_000.jpg"));
    touch(dir.filePath("SCIMG_001.JPG")); // the listing misses it; the file system does not
    CountingPlatform caseless(true);
    const NameRule rule{dir.path().toStdString(), "scimg_", 3};
    QCOMPARE(findNextFileName(caseless, rule), plainProbe(caseless, rule));
    QCOMPARE(findNextFileName(caseless, rule).value_or(""), std::string("scimg_002.jpg"));
}

void TestNextName::missingFolderGivesNumberZero() {
    const NameRule rule{"/nonexistent/tallyport/", "scimg_", 3};
    QCOMPARE(findNextFileName(Platform::current(), rule).value_or(""),
             std::string("scimg_000.jpg"));
}

void TestNextName::allNamesTakenGivesNoName() {
    QTemporaryDir dir;
    const NameRule rule{dir.path().toStdString() + "/", "scimg_", 3};
    for (int i = 0; i < kCandidateCount; ++i)
        QVERIFY(QFile(QString::fromStdString(pathInFolder(rule.outputPath, candidateName(rule, i))))
                    .open(QIODevice::WriteOnly));
    QVERIFY(!findNextFileName(Platform::current(), rule).has_value());
    QCOMPARE(findNextFileName(Platform::current(), {rule.outputPath, "scimg_", 4}).value_or(""),
             std::string("scimg_0000.jpg"));
}

QTEST_GUILESS_MAIN(TestNextName)
#include "tst_nextname.moc"
