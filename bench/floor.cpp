// SPDX-License-Identifier: MIT
// The floor for launch-to-exit: a minimal Qt Widgets program that shows one window and quits.
// With the argument "text" the window shows one line of Japanese text, so the floor pays for the
// font set-up every window with text pays.
#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <cstring>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QLabel window;
    if (argc > 1 && std::strcmp(argv[1], "text") == 0)
        window.setText(QStringLiteral("名前:scimg_000.jpg"));
    window.show();
    QTimer::singleShot(0, &application, &QApplication::quit);
    return QApplication::exec();
}
