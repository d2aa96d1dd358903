// SPDX-License-Identifier: MIT
// The main window driven as a user would: filling, live preview, arrows, closing and filing.
#include "ErrorReport.h"
#include "FakeInstall.h"
#include "Platform.h"
#include "Settings.h"
#include "Unit1.h"
#include "UpDown.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace tallyport;

namespace {

// Stands for a window manager that never activates the window: activations never reach it.
class ActivationBlocker : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        return event->type() == QEvent::WindowActivate;
    }
};

struct Report {
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
};

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void fillsControlsFromSettings_data();
    void fillsControlsFromSettings();
    void positionFarOffScreenIsKept();
    void layoutMatchesTheStoredForm_data();
    void layoutMatchesTheStoredForm();
    void windowIsFixedAndStyled();
    void previewFollowsTyping();
    void arrowsStepWithinOneToFour_data();
    void arrowsStepWithinOneToFour();
    void typedCountOutsideTheRangeKeepsTheLastCount_data();
    void typedCountOutsideTheRangeKeepsTheLastCount();
    void closeSavesTheControls();
    void failedSaveKeepsTheWindowOpen();
    void sessionEndClosesWithoutSaving();
    void filesTheArgumentOnceAndCloses_data();
    void filesTheArgumentOnceAndCloses();
    void withoutArgumentStaysOpen();
    void noFreeNameIsReportedAndCloses();

private:
    std::unique_ptr<TForm1> makeForm(std::vector<std::string> arguments = {});
    QString folder() const { return dir->path() + "/"; }
    void writeIni(const QByteArray& bytes);
    QByteArray ini() const;
    template <typename T> T* child(TForm1& form, const char* name) {
        T* widget = form.findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<FakeInstall> install;
    std::unique_ptr<Platform::Override> override_;
    QList<Report> reports;
};

void TestForm1::initTestCase() {
    QApplication::setApplicationName("Tallyport");
}

void TestForm1::init() {
    dir = std::make_unique<QTemporaryDir>();
    install = std::make_unique<FakeInstall>((dir->path() + "/tallyport").toStdString());
    override_ = std::make_unique<Platform::Override>(*install);
    Settings = SettingsValues{};
    reports.clear();
    ErrorReport::setPresenter([this](QMessageBox& box) {
        reports.append({box.windowTitle(), box.text(), box.icon(), box.standardButtons()});
    });
}

void TestForm1::cleanup() {
    ErrorReport::setPresenter({});
    override_.reset();
}

std::unique_ptr<TForm1> TestForm1::makeForm(std::vector<std::string> arguments) {
    return std::make_unique<TForm1>(std::move(arguments));
}

void TestForm1::writeIni(const QByteArray& bytes) {
    QFile file(dir->filePath("tallyport.INI"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray TestForm1::ini() const {
    QFile file(dir->filePath("tallyport.INI"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestForm1::fillsControlsFromSettings_data() {
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("fixedPart");
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("preview");
    QTest::addColumn<bool>("deleteSource");
    QTest::addRow("no settings file gives the defaults") << QByteArray() << "scimg_"
                                                         << "3"
                                                         << "名前:scimg_000.jpg" << true;
    QTest::addRow("four digits with a fixed part give a four-digit name")
        << QByteArray("[Name]\nFix=abc_\nDegit=4\n") << "abc_"
        << "4"
        << "名前:abc_0000.jpg" << true;
    QTest::addRow("an empty fixed part gives the bare number") << QByteArray("[Name]\nFix=\n") << ""
                                                               << "3"
                                                               << "名前:000.jpg" << true;
    QTest::addRow("a digit count of 9 shows as 4") << QByteArray("[Name]\nDegit=9\n") << "scimg_"
                                                   << "4"
                                                   << "名前:scimg_0000.jpg" << true;
    QTest::addRow("delete off leaves the box clear") << QByteArray("[Mode]\nDelete=0\n") << "scimg_"
                                                     << "3"
                                                     << "名前:scimg_000.jpg" << false;
}

void TestForm1::fillsControlsFromSettings() {
    QFETCH(QByteArray, settings);
    QFETCH(QString, fixedPart);
    QFETCH(QString, digits);
    QFETCH(QString, preview);
    QFETCH(bool, deleteSource);
    if (!settings.isEmpty())
        writeIni(settings);
    auto form = makeForm();
    QCOMPARE(child<QLineEdit>(*form, "Edit1")->text(), folder());
    QCOMPARE(child<QLineEdit>(*form, "Edit2")->text(), fixedPart);
    QCOMPARE(child<QLineEdit>(*form, "Edit3")->text(), digits);
    QCOMPARE(child<QLabel>(*form, "Label4")->text(), preview);
    QCOMPARE(child<QCheckBox>(*form, "CheckBox1")->isChecked(), deleteSource);
    QCOMPARE(Settings.DeleteSource, deleteSource ? 1 : 0);
    QCOMPARE(form->pos(), QPoint(50, 50));
}

void TestForm1::positionFarOffScreenIsKept() {
    writeIni("[Pos]\nTop=-4000\nLeft=9000\n");
    auto form = makeForm();
    QCOMPARE(form->pos(), QPoint(9000, -4000)); // restored as stored, unchecked
    QVERIFY(form->close());
    QVERIFY(ini().startsWith("[Pos]\nTop=-4000\nLeft=9000\n"));
}

void TestForm1::layoutMatchesTheStoredForm_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("bounds");
    QTest::addColumn<QString>("text");
    QTest::addRow("Label2") << "Label2" << QRect(16, 8, 36, 12) << "固定部";
    QTest::addRow("Edit2") << "Edit2" << QRect(64, 8, 81, 20) << "";
    QTest::addRow("Label3") << "Label3" << QRect(152, 8, 12, 12) << "桁";
    QTest::addRow("Edit3") << "Edit3" << QRect(168, 8, 25, 20) << "";
    QTest::addRow("UpDown1") << "UpDown1" << QRect(193, 8, 15, 20) << "";
    QTest::addRow("Label1") << "Label1" << QRect(16, 72, 47, 12) << "出力パス";
    QTest::addRow("Edit1") << "Edit1" << QRect(64, 64, 113, 20) << "";
    QTest::addRow("Button1") << "Button1" << QRect(184, 64, 33, 25) << "参照";
    QTest::addRow("CheckBox1") << "CheckBox1" << QRect(24, 104, 193, 17) << "元を消す";
    QTest::addRow("Label5") << "Label5" << QRect(16, 16, 162, 21) << "Tallyport";
    QTest::addRow("Label6") << "Label6" << QRect(32, 40, 168, 12) << "";
    QTest::addRow("Label7") << "Label7" << QRect(32, 56, 178, 12) << "";
    QTest::addRow("Label8") << "Label8" << QRect(32, 80, 109, 12) << "";
    QTest::addRow("Label9") << "Label9" << QRect(32, 104, 129, 12) << "";
}

void TestForm1::layoutMatchesTheStoredForm() {
    QFETCH(QString, name);
    QFETCH(QRect, bounds);
    QFETCH(QString, text);
    auto form = makeForm();
    QWidget* widget = form->findChild<QWidget*>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), bounds);
    if (!text.isEmpty()) {
        const QVariant shown = widget->property("text");
        QCOMPARE(shown.toString(), text);
    }
}

void TestForm1::windowIsFixedAndStyled() {
    auto form = makeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QCOMPARE(form->windowTitle(), QString("Tallyport"));
    QCOMPARE(form->size(), QSize(249, 177));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(!form->windowIcon().isNull());
    auto* pages = child<QTabWidget>(*form, "PageControl1");
    QCOMPARE(pages->currentIndex(), 0);
    QCOMPARE(pages->tabText(0), QString("設定"));
    QCOMPARE(pages->tabText(1), QString("About"));
    QCOMPARE(form->font().family(), QString("ＭＳ Ｐゴシック"));
    QCOMPARE(form->font().pixelSize(), 12);
    // The Windows gothic falls back to a Japanese gothic, not a Latin font.
    QCOMPARE(QFontInfo(form->font()).family(), QString("IPAPGothic"));

    auto* title = child<QLabel>(*form, "Label5");
    title->ensurePolished();
    QVERIFY(title->font().bold() && title->font().italic());
    QCOMPARE(title->font().pixelSize(), 21);
    QCOMPARE(title->palette().color(QPalette::WindowText), QColor("navy"));
    for (const auto& [name, colour] :
         {std::pair{"Label7", "navy"}, std::pair{"Label8", "purple"}}) {
        auto* link = child<QLabel>(*form, name);
        link->ensurePolished();
        QVERIFY(link->font().underline());
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(colour));
    }

    // Nothing is clipped: every label's text fits its fixed bounds.
    for (QLabel* label : form->findChildren<QLabel*>()) {
        label->ensurePolished();
        QVERIFY2(label->sizeHint().width() <= label->width() + 1,
                 qPrintable(label->objectName() + " is clipped: " + label->text()));
    }

    // Focus starts on the page control; Tab walks the settings page, skipping the arrows.
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QTRY_VERIFY(pages->hasFocus()); // its tab bar holds the focus on its behalf
    QStringList order;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, (QStringList{"Edit2", "Edit3", "Edit1", "Button1", "CheckBox1"}));
}

void TestForm1::previewFollowsTyping() {
    QVERIFY(QFile(dir->filePath("scimg_000.jpg")).open(QIODevice::WriteOnly));
    auto form = makeForm();
    auto* label = child<QLabel>(*form, "Label4");
    auto* fixedPart = child<QLineEdit>(*form, "Edit2");
    QCOMPARE(label->text(), QString("名前:scimg_001.jpg"));
    QTest::keyClicks(fixedPart, "x");
    QCOMPARE(label->text(), QString("名前:scimg_x000.jpg"));
    fixedPart->clear();
    QCOMPARE(label->text(), QString("名前:000.jpg"));
    QCOMPARE(label->width(), label->sizeHint().width());

    // The output folder's edit is never read back.
    QTest::keyClicks(child<QLineEdit>(*form, "Edit1"), "/elsewhere");
    QCOMPARE(label->text(), QString("名前:000.jpg"));
    QCOMPARE(QString::fromStdString(Settings.OutputPath), folder());
}

void TestForm1::arrowsStepWithinOneToFour_data() {
    QTest::addColumn<int>("startDigits");
    QTest::addColumn<QString>(
        "press"); // "up"/"down" click the arrows, "Up"/"Down" are keys in Edit3
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("preview");
    QTest::addColumn<int>("lookups");
    // Each step searches before it (old count) and after it (new count): two lookups in an empty
    // folder; at the ends of the range only the first runs.
    QTest::addRow("up from 3 gives four digits") << 3 << "up"
                                                 << "4"
                                                 << "名前:scimg_0000.jpg" << 2;
    QTest::addRow("up at 4 changes nothing") << 4 << "up"
                                             << "4"
                                             << "名前:scimg_0000.jpg" << 1;
    QTest::addRow("down from 2 gives one digit") << 2 << "down"
                                                 << "1"
                                                 << "名前:scimg_0.jpg" << 2;
    QTest::addRow("down at 1 changes nothing") << 1 << "down"
                                               << "1"
                                               << "名前:scimg_0.jpg" << 1;
    QTest::addRow("the Up key in the edit steps like the arrow") << 3 << "Up"
                                                                 << "4"
                                                                 << "名前:scimg_0000.jpg" << 2;
    QTest::addRow("the Down key in the edit steps like the arrow") << 3 << "Down"
                                                                   << "2"
                                                                   << "名前:scimg_00.jpg" << 2;
}

void TestForm1::arrowsStepWithinOneToFour() {
    QFETCH(int, startDigits);
    QFETCH(QString, press);
    QFETCH(QString, digits);
    QFETCH(QString, preview);
    QFETCH(int, lookups);
    writeIni("[Name]\nDegit=" + QByteArray::number(startDigits) + "\n");
    auto form = makeForm();
    auto* edit = child<QLineEdit>(*form, "Edit3");
    auto* arrows = child<TUpDown>(*form, "UpDown1");
    install->lookups = 0;
    if (press == "up" || press == "down")
        QTest::mouseClick(
            arrows->findChild<QToolButton*>(press == "up" ? "UpButton" : "DownButton"),
            Qt::LeftButton);
    else
        QTest::keyClick(edit, press == "Up" ? Qt::Key_Up : Qt::Key_Down);
    QCOMPARE(edit->text(), digits);
    QCOMPARE(child<QLabel>(*form, "Label4")->text(), preview);
    QCOMPARE(install->lookups, lookups);
}

void TestForm1::typedCountOutsideTheRangeKeepsTheLastCount_data() {
    QTest::addColumn<QString>("typed");
    QTest::addRow("a letter") << "x";
    QTest::addRow("a nine") << "9";
}

void TestForm1::typedCountOutsideTheRangeKeepsTheLastCount() {
    QFETCH(QString, typed);
    writeIni("[Name]\nDegit=2\n");
    auto form = makeForm();
    auto* edit = child<QLineEdit>(*form, "Edit3");
    edit->selectAll();
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), typed);
    QCOMPARE(child<QLabel>(*form, "Label4")->text(), QString("名前:scimg_00.jpg"));
    QVERIFY(form->close());
    QVERIFY(ini().contains("Degit=2"));

    QTest::keyClick(edit, Qt::Key_Up);
    QCOMPARE(edit->text(), QString("3"));
}

void TestForm1::closeSavesTheControls() {
    writeIni("; mine\n[Pos]\nTop=5\n");
    auto form = makeForm();
    form->move(300, 200);
    auto* fixedPart = child<QLineEdit>(*form, "Edit2");
    fixedPart->clear();
    fixedPart->insert("写真_"); // keyClicks takes Latin-1 only
    child<QCheckBox>(*form, "CheckBox1")->setChecked(false);
    QVERIFY(form->close());
    QCOMPARE(ini(),
             QByteArray("; mine\n[Pos]\nTop=200\nLeft=300\n[Mode]\nDelete=0\n[Path]\nOutput=") +
                 folder().toUtf8() + "\n[Name]\nFix=写真_\nDegit=3\n");
    QVERIFY(reports.isEmpty());
}

void TestForm1::failedSaveKeepsTheWindowOpen() {
    QVERIFY(QDir(dir->path()).mkdir("tallyport.INI"));
    auto form = makeForm();
    form->show();
    QVERIFY(!form->close());
    QVERIFY(form->isVisible());
    QCOMPARE(reports.size(), 1);
    const Report& report = reports.first();
    QCOMPARE(report.title, QString("Tallyport"));
    QCOMPARE(report.text, dir->filePath("tallyport.INI") + " に書き込めません.");
    QCOMPARE(report.icon, QMessageBox::Critical);
    QCOMPARE(report.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    QVERIFY(!form->close());
    QCOMPARE(reports.size(), 2);
    QCOMPARE(reports.last().text, report.text);
}

void TestForm1::sessionEndClosesWithoutSaving() {
    auto form = makeForm();
    form->show();
    form->SessionEnding();
    QVERIFY(form->close());
    QVERIFY(!QFile::exists(dir->filePath("tallyport.INI")));

    // A cancelled log-off: the window is used again, and its next close saves.
    form->show();
    form->SessionEnding();
    QEvent activation(QEvent::WindowActivate);
    QApplication::sendEvent(form.get(), &activation);
    QVERIFY(form->close());
    QVERIFY(QFile::exists(dir->filePath("tallyport.INI")));
}

void TestForm1::filesTheArgumentOnceAndCloses_data() {
    QTest::addColumn<bool>("activated");
    QTest::addRow("the window is activated") << true;
    QTest::addRow("no activation ever comes") << false;
}

void TestForm1::filesTheArgumentOnceAndCloses() {
    QFETCH(bool, activated);
    QFile source(dir->filePath("photo.png"));
    QVERIFY(source.open(QIODevice::WriteOnly));
    source.write("pixels");
    source.close();
    auto form = makeForm({source.fileName().toStdString()});
    ActivationBlocker blocker;
    if (!activated)
        form->installEventFilter(&blocker);
    form->show();
    if (activated)
        form->activateWindow();
    QTRY_VERIFY(!form->isVisible());
    QVERIFY(!source.exists());
    QCOMPARE(form->ExitStatus(), 0);
    QFile filed(dir->filePath("scimg_000.jpg"));
    QVERIFY(filed.open(QIODevice::ReadOnly));
    QCOMPARE(filed.readAll(), QByteArray("pixels"));
    QVERIFY(ini().contains("Fix=scimg_"));

    // Neither a later activation nor the fallback files again.
    QVERIFY(source.open(QIODevice::WriteOnly));
    source.close();
    form->show();
    form->activateWindow();
    QTest::qWait(250);
    QVERIFY(source.exists());
    QVERIFY(!QFile::exists(dir->filePath("scimg_001.jpg")));
}

void TestForm1::withoutArgumentStaysOpen() {
    auto form = makeForm();
    form->show();
    form->activateWindow();
    QTest::qWait(250);
    QVERIFY(form->isVisible());
    QVERIFY(!QFile::exists(dir->filePath("tallyport.INI")));
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList());
    QCOMPARE(form->ExitStatus(), 0);
}

void TestForm1::noFreeNameIsReportedAndCloses() {
    writeIni("[Name]\nDegit=1\nFix=s\n");
    for (int i = 0; i < 1000; ++i)
        QVERIFY(QFile(dir->filePath(QString("s%1.jpg").arg(i))).open(QIODevice::WriteOnly));
    QFile source(dir->filePath("photo.png"));
    QVERIFY(source.open(QIODevice::WriteOnly));
    source.close();
    auto form = makeForm({source.fileName().toStdString()});
    QCOMPARE(child<QLabel>(*form, "Label4")->text(), QString("名前:"));
    form->show();
    QTRY_VERIFY(!form->isVisible());
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reports.first().text, folder() + " に空いている名前がありません.");
    QVERIFY(source.exists());
    QCOMPARE(form->ExitStatus(), 2);
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
