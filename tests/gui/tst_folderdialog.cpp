// SPDX-License-Identifier: MIT
// Choosing the output folder: the dialog driven as a user would, and the browse button.
#include "FakeInstall.h"
#include "FolderDialog.h"
#include "Settings.h"
#include "Unit1.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <functional>

using namespace tallyport;

namespace {

// What the user does in the dialog once it is up.
using UserAction = std::function<void(QDialog& dialog)>;

// Runs action against the modal dialog that starts next. A dialog the action leaves open (a
// failed check) is cancelled, so no test ever hangs on it.
void whenDialogOpens(UserAction action) {
    QTimer::singleShot(0, [action = std::move(action)] {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        QPointer<QDialog> dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        action(*dialog);
        if (dialog && dialog->isVisible())
            dialog->reject();
    });
}

QTreeView& treeOf(QDialog& dialog) {
    return *dialog.findChild<QTreeView*>("FolderTree");
}
QString statusOf(QDialog& dialog) {
    return dialog.findChild<QLabel*>("StatusLine")->text();
}

QString selectedPath(QDialog& dialog) {
    QTreeView& tree = treeOf(dialog);
    auto* model = qobject_cast<QFileSystemModel*>(tree.model());
    return tree.currentIndex().isValid() ? model->filePath(tree.currentIndex()) : QString();
}

// Clicks the folder at path in the tree, as a user would once its branch has loaded.
void clickFolder(QDialog& dialog, const QString& path) {
    QTreeView& tree = treeOf(dialog);
    auto* model = qobject_cast<QFileSystemModel*>(tree.model());
    const QModelIndex index = model->index(path);
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        tree.expand(parent);
    tree.scrollTo(index);
    QTRY_VERIFY(tree.visualRect(index).isValid());
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualRect(index).center());
}

void press(QDialog& dialog, QDialogButtonBox::StandardButton which) {
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(which), Qt::LeftButton);
}

} // namespace

class TestFolderDialog : public QObject {
    Q_OBJECT

private slots:
    void init();
    void preselectsAnExistingFolderAndConfirms();
    void missingFolderIsNotPreselectedAndCancelChangesNothing();
    void statusLineFollowsTheSelection();
    void ownerMustBeAWidget();
    void browseButtonSetsTheOutputFolder_data();
    void browseButtonSetsTheOutputFolder();
    void browseButtonCancelChangesNothing();

private:
    QString path(const QString& name) const { return dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> dir;
    QWidget owner;
};

void TestFolderDialog::init() {
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(dir->path()).mkpath("a/b"));
    Settings = SettingsValues{};
}

void TestFolderDialog::preselectsAnExistingFolderAndConfirms() {
    // Many siblings above it put the folder far below the first screenful of the tree.
    for (int i = 0; i < 80; ++i)
        QVERIFY(QDir(path("a")).mkdir(QString("0%1").arg(i)));
    TFolderDialog dialog(&owner);
    QCOMPARE(dialog.Title, QString("フォルダーの選択"));
    dialog.Directory = path("a/b");
    QString seenTitle, seenSelection, seenStatus;
    whenDialogOpens([&](QDialog& shown) {
        QTreeView& tree = treeOf(shown);
        auto* model = qobject_cast<QFileSystemModel*>(tree.model());
        QTRY_COMPARE(model->rowCount(model->index(path("a"))), 81); // all siblings loaded
        QTest::qWait(100);
        QTRY_VERIFY(tree.viewport()->rect().contains(tree.visualRect(tree.currentIndex())));
        seenTitle = shown.findChild<QLabel*>("TitleLabel")->text();
        seenSelection = selectedPath(shown);
        seenStatus = statusOf(shown);
        press(shown, QDialogButtonBox::Ok);
    });
    QVERIFY(dialog.Execute());
    QCOMPARE(seenTitle, QString("フォルダーの選択"));
    QCOMPARE(seenSelection, path("a/b"));
    QCOMPARE(seenStatus, QString()); // empty at start, also with a preselection
    QCOMPARE(dialog.Directory, path("a/b"));
}

void TestFolderDialog::missingFolderIsNotPreselectedAndCancelChangesNothing() {
    TFolderDialog dialog(&owner);
    dialog.Directory = path("missing");
    QString seenSelection = "unset";
    whenDialogOpens([&](QDialog& shown) {
        seenSelection = selectedPath(shown);
        clickFolder(shown, path("a"));
        press(shown, QDialogButtonBox::Cancel);
    });
    QVERIFY(!dialog.Execute());
    QCOMPARE(seenSelection, QString());
    QCOMPARE(dialog.Directory, path("missing"));
}

void TestFolderDialog::statusLineFollowsTheSelection() {
    TFolderDialog dialog(&owner);
    dialog.Directory = path("a");
    QStringList statuses;
    whenDialogOpens([&](QDialog& shown) {
        clickFolder(shown, path("a/b"));
        statuses << statusOf(shown);
        clickFolder(shown, "/");
        statuses << statusOf(shown);
        press(shown, QDialogButtonBox::Ok);
    });
    QVERIFY(dialog.Execute());
    QCOMPARE(statuses, (QStringList{path("a/b"), "/"}));
    QCOMPARE(dialog.Directory, QString("/")); // the root keeps its slash
}

void TestFolderDialog::ownerMustBeAWidget() {
    QObject notAWidget;
    TFolderDialog dialog(&notAWidget);
    QVERIFY_THROWS_EXCEPTION(InvalidOwnerError, dialog.Execute());
}

void TestFolderDialog::browseButtonSetsTheOutputFolder_data() {
    QTest::addColumn<QString>("choice"); // relative to the temporary folder; "/" is the root
    QTest::addColumn<QString>("outputPath");
    QTest::addRow("a folder becomes the output, with its slash") << "a"
                                                                 << "a/";
    QTest::addRow("the root gives a doubled separator") << "/"
                                                        << "//";
}

void TestFolderDialog::browseButtonSetsTheOutputFolder() {
    QFETCH(QString, choice);
    QFETCH(QString, outputPath);
    const QString chosen = choice == "/" ? choice : path(choice);
    const QString expected = choice == "/" ? outputPath : path(outputPath);
    QVERIFY(QFile(path("a/scimg_000.jpg")).open(QIODevice::WriteOnly));
    FakeInstall install((dir->path() + "/tallyport").toStdString());
    Platform::Override override_(install);
    TForm1 form({});
    QString preselected;
    whenDialogOpens([&](QDialog& shown) {
        preselected = selectedPath(shown);
        clickFolder(shown, chosen);
        press(shown, QDialogButtonBox::Ok);
    });
    QTest::mouseClick(form.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    QCOMPARE(preselected, dir->path()); // the output folder less its trailing slash
    QCOMPARE(QString::fromStdString(Settings.OutputPath), expected);
    QCOMPARE(form.findChild<QLineEdit*>("Edit1")->text(), expected);
    if (choice == "a")
        QCOMPARE(form.findChild<QLabel*>("Label4")->text(), QString("名前:scimg_001.jpg"));
}

void TestFolderDialog::browseButtonCancelChangesNothing() {
    FakeInstall install((dir->path() + "/tallyport").toStdString());
    Platform::Override override_(install);
    TForm1 form({});
    const QString before = form.findChild<QLabel*>("Label4")->text();
    whenDialogOpens([&](QDialog& shown) {
        clickFolder(shown, path("a"));
        press(shown, QDialogButtonBox::Cancel);
    });
    QTest::mouseClick(form.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    QCOMPARE(QString::fromStdString(Settings.OutputPath), dir->path() + "/");
    QCOMPARE(form.findChild<QLineEdit*>("Edit1")->text(), dir->path() + "/");
    QCOMPARE(form.findChild<QLabel*>("Label4")->text(), before);
}

QTEST_MAIN(TestFolderDialog)
#include "tst_folderdialog.moc"
