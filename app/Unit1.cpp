// SPDX-License-Identifier: MIT
#include "Unit1.h"

#include "ErrorReport.h"
#include "FolderDialog.h"
#include "MailHP.h"
#include "NextName.h"
#include "Rw_ini.h"
#include "Settings.h"
#include "ui_Unit1.h"

#include <QCloseEvent>
#include <QFont>
#include <QMouseEvent>
#include <QTimer>

#include <iostream>

using namespace tallyport;

namespace {

// How long after the window first shows the transfer waits for an activation that some window
// managers (or none at all) never send: none beyond the events already queued, since every
// millisecond here is added to each file filed.
constexpr int kActivationGraceMs = 0;

const QString kFormFontFamily = QStringLiteral("ＭＳ Ｐゴシック");

// The form's font is a Windows Japanese gothic; on Linux, fall back to a metric-compatible
// Japanese gothic rather than whatever Latin font the system would pick.
QFont formFont() {
    QFont::insertSubstitutions(kFormFontFamily,
                               {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                                QStringLiteral("VL PGothic"), QStringLiteral("Noto Sans CJK JP"),
                                QStringLiteral("TakaoPGothic")});
    QFont font(kFormFontFamily);
    font.setPixelSize(12);
    return font;
}

QString fromBytes(const std::string& text) {
    return QString::fromUtf8(text);
}

// Designer forms hold widgets only, so the stored form keeps the properties of the window's
// non-visual components as its own dynamic properties named "<component>.<property>".
template <typename Component> Component* storedComponent(QWidget* form, const char* name) {
    auto* component = new Component(form);
    component->setObjectName(QString::fromLatin1(name));
    const QByteArray prefix = QByteArray(name) + '.';
    for (const QByteArray& property : form->dynamicPropertyNames())
        if (property.startsWith(prefix))
            component->setProperty(property.mid(prefix.size()).constData(),
                                   form->property(property));
    return component;
}

} // namespace

TForm1::TForm1(std::vector<std::string> arguments, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TForm1>()), arguments_(std::move(arguments)) {
    ui->setupUi(this);
    FolderDialog1 = storedComponent<TFolderDialog>(this, "FolderDialog1");
    MailAndHP1 = storedComponent<TMailAndHP>(this, "MailAndHP1");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(formFont());
    setFixedSize(249, 177);
    ui->UpDown1->setRange(1, 4);
    ui->UpDown1->setAssociate(ui->Edit3);
    ui->PageControl1->setFocus();

    connect(ui->Edit2, &QLineEdit::textChanged, this, &TForm1::Edit2Change);
    connect(ui->Edit3, &QLineEdit::textChanged, this, &TForm1::Edit2Change);
    connect(ui->UpDown1, &TUpDown::changing, this, &TForm1::UpDown1Changing);
    connect(ui->CheckBox1, &QCheckBox::toggled, this, &TForm1::CheckBox1Click);
    connect(ui->Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    ui->Label7->installEventFilter(this); // labels have no click signal of their own
    ui->Label8->installEventFilter(this);

    FormCreate();
}

TForm1::~TForm1() = default;

int TForm1::ExitStatus() const {
    return exitStatus(transferResult_);
}

void TForm1::SessionEnding() {
    sessionEnding_ = true;
}

void TForm1::FormCreate() {
    LoadSettings();
    // Filling Edit2 below runs UpdateNextName, which copies the arrows' stored position into
    // DigitCount; keep the loaded count to apply it afterwards.
    const int loadedDigitCount = Settings.DigitCount;
    move(Settings.FormLeft, Settings.FormTop);
    ui->Edit1->setText(fromBytes(Settings.OutputPath));
    ui->Edit2->setText(fromBytes(Settings.FixedPart));
    ui->UpDown1->setPosition(loadedDigitCount);
    ui->CheckBox1->setChecked(Settings.DeleteSource != 0);
    UpdateNextName();
}

void TForm1::UpdateNextName() {
    Settings.FixedPart = ui->Edit2->text().toStdString();
    Settings.DigitCount = ui->UpDown1->position();
    FindNextFileName();
    ui->Label4->setText(QStringLiteral("名前:") + fromBytes(Settings.NextFileName));
    ui->Label4->adjustSize();
}

void TForm1::Edit2Change() {
    UpdateNextName();
}

void TForm1::UpDown1Changing() {
    UpdateNextName();
}

void TForm1::CheckBox1Click() {
    Settings.DeleteSource = ui->CheckBox1->isChecked() ? 1 : 0;
}

void TForm1::Button1Click() {
    std::string current = Settings.OutputPath;
    if (!current.empty())
        current.pop_back(); // the trailing "/"
    FolderDialog1->Directory = fromBytes(current);
    if (!FolderDialog1->Execute())
        return;
    Settings.OutputPath = FolderDialog1->Directory.toStdString() + "/";
    ui->Edit1->setText(fromBytes(Settings.OutputPath));
    UpdateNextName();
}

void TForm1::Label7Click() {
    MailAndHP1->OpenHomePage();
}

void TForm1::Label8Click() {
    MailAndHP1->OpenMail();
}

void TForm1::FormActivate() {
    if (activated_)
        return;
    activated_ = true;
    bool closeRequested = false;
    transferResult_ = TransferArgument(arguments_, [&closeRequested] { closeRequested = true; });
    reportTransfer(transferResult_);
    if (closeRequested)
        close();
}

void TForm1::reportTransfer(const TransferResult& result) {
    if (!result.problem.empty())
        std::cerr << "tallyport: " << result.problem << std::endl;
    if (result.outcome == TransferOutcome::NoFreeName)
        ErrorReport::show(this, fromBytes(Settings.OutputPath) +
                                    QStringLiteral(" に空いている名前がありません"));
}

bool TForm1::FormClose() {
    Settings.FormLeft = x();
    Settings.FormTop = y();
    Settings.FixedPart = ui->Edit2->text().toStdString();
    Settings.DigitCount = ui->UpDown1->position();
    Settings.DeleteSource = ui->CheckBox1->isChecked() ? 1 : 0;
    try {
        SaveSettings();
    } catch (const SettingsWriteError& error) {
        std::cerr << "tallyport: " << error.what() << " (" << error.reason() << ")" << std::endl;
        ErrorReport::show(this, QString::fromUtf8(error.what()));
        return false;
    }
    return true;
}

bool TForm1::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        // Back in use: a log-off that asked us to get ready was cancelled.
        sessionEnding_ = false;
        FormActivate();
    }
    return QWidget::event(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    const bool clicked = event->type() == QEvent::MouseButtonRelease &&
                         static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    if (clicked && watched == ui->Label7)
        Label7Click();
    else if (clicked && watched == ui->Label8)
        Label8Click();
    return QWidget::eventFilter(watched, event);
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shownBefore_) {
        shownBefore_ = true;
        QTimer::singleShot(kActivationGraceMs, this, &TForm1::FormActivate);
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (sessionEnding_ || FormClose())
        event->accept();
    else
        event->ignore();
}
