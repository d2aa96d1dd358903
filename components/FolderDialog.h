// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

#include <stdexcept>

// The owner handed to a component is not of the kind it needs.
class InvalidOwnerError : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// Lets the user choose a folder in a modal dialog: the Title above a tree of the computer's
// folders (starting at the root folder), a status line showing the selected folder's path, and
// OK / Cancel.
class TFolderDialog : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Title MEMBER Title)

public:
    // owner must be a widget: it is the dialog's parent window.
    explicit TFolderDialog(QObject* owner);

    // Before Execute: the folder to preselect (ignored unless it names an existing folder).
    // After a confirmed Execute: the chosen folder's path, without a trailing "/" except for the
    // root; unchanged when nothing was selected.
    QString Directory;
    QString Title;

    // Runs the dialog. True when the user confirmed (OK), false when cancelled.
    // Throws InvalidOwnerError when the owner is not a widget.
    bool Execute();
};
