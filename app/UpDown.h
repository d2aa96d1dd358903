// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// Up-down arrows bound to a one-line edit, with the behaviour the window relies on and that
// QSpinBox does not offer: a "changing" notification before every step (even at the ends of
// the range, where nothing then changes), the edit's text kept equal to the position on every
// step, and the position read back from the edit's text.
class TUpDown : public QWidget {
    Q_OBJECT

public:
    explicit TUpDown(QWidget* parent = nullptr);

    // Binds the arrows to edit: they sit at its right edge, its text shows the position, and its
    // Up and Down keys step as the arrows do.
    void setAssociate(QLineEdit* edit);
    void setRange(int minimum, int maximum);

    // The edit's text when it is a number within the range; otherwise the last position the
    // text or a step set.
    int position();

    // Sets the position as the program does: when it differs, "changing" first, then the new
    // position (kept within the range) is written to the edit.
    void setPosition(int value);

    // One arrow step up (+1) or down (-1): "changing", then the step unless it would leave the
    // range. No wrap-around.
    void step(int direction);

signals:
    void changing();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showPosition();

    QLineEdit* associate_ = nullptr;
    QToolButton* up_;
    QToolButton* down_;
    int minimum_ = 1;
    int maximum_ = 4;
    int position_ = 3;
};
