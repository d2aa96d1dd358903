// SPDX-License-Identifier: MIT
#include "UpDown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QToolButton* makeArrow(QWidget* parent, Qt::ArrowType arrow, const char* name) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setArrowType(arrow);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // One step per repeat at a steady pace: no acceleration while an arrow is held.
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(400);
    button->setAutoRepeatInterval(100);
    return button;
}

} // namespace

TUpDown::TUpDown(QWidget* parent)
    : QWidget(parent), up_(makeArrow(this, Qt::UpArrow, "UpButton")),
      down_(makeArrow(this, Qt::DownArrow, "DownButton")) {
    setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up_);
    layout->addWidget(down_);
    connect(up_, &QToolButton::clicked, this, [this] { step(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { step(-1); });
}

void TUpDown::setAssociate(QLineEdit* edit) {
    associate_ = edit;
    associate_->installEventFilter(this);
    showPosition();
}

void TUpDown::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    position_ = std::clamp(position_, minimum_, maximum_);
}

int TUpDown::position() {
    if (associate_) {
        bool isNumber = false;
        const int typed = associate_->text().toInt(&isNumber);
        if (isNumber && typed >= minimum_ && typed <= maximum_)
            position_ = typed;
    }
    return position_;
}

void TUpDown::setPosition(int value) {
    if (value == position())
        return;
    emit changing();
    position_ = std::clamp(value, minimum_, maximum_);
    showPosition();
}

void TUpDown::step(int direction) {
    emit changing();
    const int next = position() + direction;
    if (next < minimum_ || next > maximum_)
        return;
    position_ = next;
    showPosition();
}

bool TUpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == associate_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up ? +1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TUpDown::showPosition() {
    if (associate_)
        associate_->setText(QString::number(position_));
}
