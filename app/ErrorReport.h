// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

// The application's standard error report: a message box with the error icon and one OK button,
// titled with the application's name, showing the message with a full stop added when its last
// character sorts after ".".
namespace ErrorReport {

QString reportText(const QString& message);

// Shows the report modally over parent.
void show(QWidget* parent, const QString& message);

// Tests: hand each report to presenter instead of running it modally. An empty function restores
// the modal box.
using Presenter = std::function<void(QMessageBox&)>;
void setPresenter(Presenter presenter);

} // namespace ErrorReport
