// SPDX-License-Identifier: MIT
#pragma once

#include "Transfer.h"

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class TFolderDialog;
class TMailAndHP;

namespace Ui {
class TForm1;
}

// The program's only window: the settings window, and the host of the transfer when the program
// is started with a file. Creating it loads the settings and fills the controls; its first
// activation files the file named on the command line; closing it saves the settings.
class TForm1 : public QWidget {
    Q_OBJECT

public:
    // arguments: the command line after the program's name, as the system gave it.
    explicit TForm1(std::vector<std::string> arguments, QWidget* parent = nullptr);
    ~TForm1() override;

    // The process's exit status: whether the file on the command line was filed (see exitStatus).
    int ExitStatus() const;

    // The session is ending (log-off, shutdown): the window then closes without saving, unless it
    // is activated again first (the log-off was cancelled).
    void SessionEnding();

    void FormCreate();
    void FormActivate();
    // Copies the controls into the settings and saves them; false when the save failed (the error
    // report has been shown).
    bool FormClose();
    void UpdateNextName();
    void Edit2Change();
    void UpDown1Changing();
    void CheckBox1Click();
    void Button1Click();
    void Label7Click();
    void Label8Click();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void reportTransfer(const tallyport::TransferResult& result);

    std::unique_ptr<Ui::TForm1> ui;
    TFolderDialog* FolderDialog1;
    TMailAndHP* MailAndHP1;
    std::vector<std::string> arguments_;
    tallyport::TransferResult transferResult_;
    bool activated_ = false;
    bool shownBefore_ = false;
    bool sessionEnding_ = false;
};
