// SPDX-License-Identifier: MIT
#include "FolderDialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// The dialog's widgets; all are children of the dialog and go with it.
struct FolderBrowser {
    QDialog dialog;
    QFileSystemModel* model;
    QTreeView* tree;
    QLabel* status;
    QPersistentModelIndex preselected;

    FolderBrowser(QWidget* parent, const QString& title)
        : dialog(parent), model(new QFileSystemModel(&dialog)), tree(new QTreeView(&dialog)),
          status(new QLabel(&dialog)) {
        dialog.setWindowTitle(title);
        dialog.resize(320, 360);
        // Folders only, loaded lazily on a background thread as branches open, so a huge or slow
        // folder never freezes the dialog.
        model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
        model->setRootPath(QStringLiteral("/"));
        tree->setObjectName(QStringLiteral("FolderTree"));
        tree->setModel(model);
        tree->setHeaderHidden(true);
        for (int column = 1; column < model->columnCount(); ++column)
            tree->hideColumn(column);
        status->setObjectName(QStringLiteral("StatusLine"));
        status->setTextInteractionFlags(Qt::TextSelectableByMouse);

        auto* heading = new QLabel(title, &dialog);
        heading->setObjectName(QStringLiteral("TitleLabel"));
        auto* buttons =
            new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(heading);
        layout->addWidget(status);
        layout->addWidget(tree);
        layout->addWidget(buttons);
    }

    void preselect(const QString& directory) {
        const QFileInfo folder(directory);
        if (directory.isEmpty() || !folder.isDir())
            return;
        const QModelIndex index = model->index(folder.absoluteFilePath());
        for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
            tree->expand(parent);
        tree->setCurrentIndex(index);
        preselected = index;
        // Rows above it arrive as its ancestors load in the background, and the view has no size
        // until shown: keep scrolling it into view until the user moves the selection.
        const auto keepInView = [this] {
            if (preselected.isValid() && tree->currentIndex() == preselected)
                tree->scrollTo(preselected, QAbstractItemView::PositionAtCenter);
        };
        QObject::connect(model, &QAbstractItemModel::rowsInserted, tree, keepInView,
                         Qt::QueuedConnection);
        QObject::connect(model, &QAbstractItemModel::layoutChanged, tree, keepInView,
                         Qt::QueuedConnection);
        QTimer::singleShot(0, tree, keepInView);
    }

    // Shows the selection's path from now on; empty until the selection moves.
    void followSelection() {
        QObject::connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, status,
                         [this](const QModelIndex& current) {
                             preselected = QPersistentModelIndex();
                             status->setText(current.isValid() ? model->filePath(current)
                                                               : QString());
                         });
    }

    QString selectedPath() const {
        const QModelIndex current = tree->currentIndex();
        return current.isValid() ? model->filePath(current) : QString();
    }
};

} // namespace

TFolderDialog::TFolderDialog(QObject* owner)
    : QObject(owner), Title(QStringLiteral("フォルダーの選択")) {}

bool TFolderDialog::Execute() {
    auto* window = qobject_cast<QWidget*>(parent());
    if (!window)
        throw InvalidOwnerError("TFolderDialog: the owner must be a widget, to parent the dialog");
    FolderBrowser browser(window, Title);
    browser.preselect(Directory);
    browser.followSelection();
    if (browser.dialog.exec() != QDialog::Accepted)
        return false;
    if (const QString chosen = browser.selectedPath(); !chosen.isEmpty())
        Directory = chosen;
    return true;
}
