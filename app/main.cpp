// SPDX-License-Identifier: MIT
#include "Unit1.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // The command line takes no options: every argument is ours, as the system gave it, and Qt
    // sees none of them (a file named "-style" must not restyle the window).
    std::vector<std::string> arguments(argv + 1, argv + argc);
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallyport"));
    TForm1 Form1(std::move(arguments));
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &Form1,
                     &TForm1::SessionEnding);
    Form1.show();
    const int loopStatus = QApplication::exec();
    return loopStatus != 0 ? loopStatus : Form1.ExitStatus();
}
