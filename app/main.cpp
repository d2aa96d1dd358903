// SPDX-License-Identifier: MIT
#include "Unit1.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallyport"));
    TForm1 Form1({argv + 1, argv + argc});
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &Form1,
                     &TForm1::SessionEnding);
    Form1.show();
    const int loopStatus = QApplication::exec();
    return loopStatus != 0 ? loopStatus : Form1.ExitStatus();
}
