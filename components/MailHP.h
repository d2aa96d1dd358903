// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

// Hands a mail address or a home-page address to the desktop, which opens a new message in the
// default mail program or the page in the default browser. Whatever the desktop answers, nothing
// is shown and nothing changes; the call never waits for the program it starts.
class TMailAndHP : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString MailAddress MEMBER MailAddress)
    Q_PROPERTY(QString HomePageAddress MEMBER HomePageAddress)

public:
    explicit TMailAndHP(QObject* owner = nullptr);

    QString MailAddress; // empty at first
    QString HomePageAddress = QStringLiteral("http://");

    // Opens "mailto:" followed by MailAddress.
    void OpenMail() const;
    // Opens HomePageAddress as it is.
    void OpenHomePage() const;
};
