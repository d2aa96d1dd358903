// SPDX-License-Identifier: MIT
#include "ErrorReport.h"

#include <QApplication>
#include <QMessageBox>

namespace ErrorReport {
namespace {

Presenter& presenter() {
    static Presenter instance;
    return instance;
}

} // namespace

QString reportText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void show(QWidget* parent, const QString& message) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), reportText(message),
                    QMessageBox::Ok, parent);
    if (presenter())
        presenter()(box);
    else
        box.exec();
}

void setPresenter(Presenter replacement) {
    presenter() = std::move(replacement);
}

} // namespace ErrorReport
