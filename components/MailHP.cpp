// SPDX-License-Identifier: MIT
#include "MailHP.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

void openAddress(const QString& address) {
    // The desktop's answer is deliberately ignored: there is nothing useful to tell the user.
    QDesktopServices::openUrl(QUrl(address, QUrl::TolerantMode));
}

} // namespace

TMailAndHP::TMailAndHP(QObject* owner) : QObject(owner) {}

void TMailAndHP::OpenMail() const {
    openAddress(QStringLiteral("mailto:") + MailAddress);
}

void TMailAndHP::OpenHomePage() const {
    openAddress(HomePageAddress);
}
