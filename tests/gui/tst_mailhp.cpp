// SPDX-License-Identifier: MIT
// The About page's links: what is handed to the desktop, and that nothing else happens.
#include "FakeInstall.h"
#include "MailHP.h"
#include "Settings.h"
#include "Unit1.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace tallyport;

namespace {

// Stands in for the desktop's browser and mail program.
class Desktop : public QObject {
    Q_OBJECT

public slots:
    void open(const QUrl& url) { opened << url.toString(); }

public:
    QStringList opened;
};

} // namespace

class TestMailHP : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void defaultsOpenBareAddresses();
    void labelsOpenTheStoredAddresses();
    void failingDesktopChangesNothing();

private:
    void installDesktop() {
        for (const char* scheme : {"http", "https", "mailto"})
            QDesktopServices::setUrlHandler(scheme, &desktop, "open");
    }
    Desktop desktop;
};

void TestMailHP::init() {
    desktop.opened.clear();
    installDesktop();
}

void TestMailHP::cleanup() {
    for (const char* scheme : {"http", "https", "mailto"})
        QDesktopServices::unsetUrlHandler(scheme);
}

void TestMailHP::defaultsOpenBareAddresses() {
    TMailAndHP links;
    QCOMPARE(links.MailAddress, QString());
    QCOMPARE(links.HomePageAddress, QString("http://"));
    links.OpenMail();
    links.OpenHomePage();
    QCOMPARE(desktop.opened, (QStringList{"mailto:", "http://"}));
}

void TestMailHP::labelsOpenTheStoredAddresses() {
    QTemporaryDir dir;
    FakeInstall install((dir.path() + "/tallyport").toStdString());
    Platform::Override override_(install);
    TForm1 form({});
    auto* homePage = form.findChild<QLabel*>("Label7");
    auto* mail = form.findChild<QLabel*>("Label8");
    const QString homePageText = homePage->text();
    const QString mailText = mail->text();
    QCOMPARE(homePage->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(mail->cursor().shape(), Qt::PointingHandCursor);

    // The captions are never read: the stored addresses open even after the captions change.
    homePage->setText("changed");
    mail->setText("changed");
    QTest::mouseClick(homePage, Qt::LeftButton);
    QTest::mouseClick(mail, Qt::LeftButton);
    QTest::mouseClick(mail, Qt::RightButton);
    QCOMPARE(desktop.opened, (QStringList{homePageText, "mailto:" + mailText}));
}

void TestMailHP::failingDesktopChangesNothing() {
    cleanup(); // no program for any address: the desktop refuses
    TMailAndHP links;
    links.MailAddress = "someone@example.test";
    links.OpenMail();
    links.OpenHomePage();
    QCOMPARE(links.MailAddress, QString("someone@example.test"));
    QCOMPARE(links.HomePageAddress, QString("http://"));
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

QTEST_MAIN(TestMailHP)
#include "tst_mailhp.moc"
