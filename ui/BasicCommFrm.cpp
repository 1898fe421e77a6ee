#include "ui/BasicCommFrm.h"

#include "card_init/PortScan.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    return button;
}

}  // namespace

TBasicCommForm::TBasicCommForm(QWidget* parent) : TBasicForm(parent) {
    grpCommConfig = new QGroupBox(this);
    grpCommConfig->setObjectName("grpCommConfig");
    grpCommConfig->setGeometry(11, 8, 405, 105);

    btnOpenComm = MakeButton(grpCommConfig, "btnOpenComm", "打开串口", {14, 17, 101, 39});
    btnStopComm = MakeButton(grpCommConfig, "btnStopComm", "关闭串口", {271, 17, 101, 39});
    btnStopOpening = MakeButton(grpCommConfig, "btnStopOpening", "停止打开com口", {142, 17, 101, 39});
    btnStopComm->setEnabled(false);
    setTabOrder(btnOpenComm, btnStopComm);
    setTabOrder(btnStopComm, btnStopOpening);

    lblComStatTips = new QLabel("串口状态提示", grpCommConfig);
    lblComStatTips->setObjectName("lblComStatTips");
    lblComStatTips->setGeometry(19, 73, 90, 14);
    lblComStatTips->setFont(ChineseUiFontPx(14, true));
    lblComStatTips->setStyleSheet("color: #008000;");
    lblComStatTips->adjustSize();

    connect(btnOpenComm, &QPushButton::clicked, this, [this] { Guarded([this] { btnOpenCommClick(btnOpenComm); }); });
    connect(btnStopOpening, &QPushButton::clicked, this,
            [this] { Guarded([this] { btnStopOpeningClick(btnStopOpening); }); });
    connect(btnStopComm, &QPushButton::clicked, this, [this] { Guarded([this] { btnStopCommClick(btnStopComm); }); });
}

TBasicCommForm::~TBasicCommForm() { TBasicCommForm::FormDestroy(this); }

std::unique_ptr<TCommClass> TBasicCommForm::MakeCommLink() { return std::make_unique<TCommClass>(); }

void TBasicCommForm::InitOnCreate() {
    TBasicForm::InitOnCreate();
    // The label keeps its own face and size, whatever the window's font.
    lblComStatTips->setFont(ChineseUiFontPx(14, true));
    lblComStatTips->adjustSize();
    CommLink = MakeCommLink();
    StopRequested = false;
    CommOpened = false;
}

void TBasicCommForm::InitOnShow() {
    TBasicForm::InitOnShow();
    btnStopOpening->setEnabled(false);
    btnStopComm->setEnabled(false);
}

void TBasicCommForm::FormClose(QObject* sender, QCloseEvent* event) {
    if (scanning_) {
        // The scan runs inside this handler's caller; the window must outlive it.
        StopRequested = true;
        closeAfterScan_ = true;
        event->ignore();
        return;
    }
    if (btnStopComm->isEnabled()) btnStopComm->click();
    TBasicForm::FormClose(sender, event);
}

void TBasicCommForm::FormDestroy(QObject*) { CommLink.reset(); }

void TBasicCommForm::SetStatus(const QString& text) {
    lblComStatTips->setText(text);
    lblComStatTips->adjustSize();
    // The scan blocks this thread while it probes: paint the label now.
    lblComStatTips->repaint();
}

void TBasicCommForm::ApplyPanelState(PanelState state) {
    btnOpenComm->setEnabled(state == PanelState::Idle || state == PanelState::StoppedByUser ||
                            state == PanelState::Closed);
    btnStopOpening->setEnabled(state == PanelState::Scanning);
    btnStopComm->setEnabled(state == PanelState::Connected);
}

void TBasicCommForm::btnOpenCommClick(QObject*) {
    if (scanning_ || !CommLink) return;
    bool found = false;
    ApplyPanelState(PanelState::Scanning);
    scanning_ = true;
    StopRequested = false;
    struct ScanEnd {
        TBasicCommForm* form;
        bool& found;
        ~ScanEnd() {
            form->scanning_ = false;
            form->ApplyPanelState(found ? PanelState::Connected : PanelState::StoppedByUser);
            if (found) form->CommOpened = true;
            if (form->closeAfterScan_) {
                form->closeAfterScan_ = false;
                QTimer::singleShot(0, form, &QWidget::close);
            }
        }
    } end{this, found};

    PortScanHooks hooks;
    hooks.trying = [this](const std::string& name) { SetStatus(QString("正在打开%1...").arg(QString::fromStdString(name))); };
    hooks.afterMiss = [] { QApplication::processEvents(); };
    hooks.stopRequested = [this] {
        if (StopRequested) SetStatus("用户停止打开");
        return StopRequested;
    };
    if (auto port = ScanForReader(*CommLink, hooks)) {
        found = true;
        SetStatus(QString("%1已打开...").arg(QString::fromStdString(*port)));
    }
}

void TBasicCommForm::btnStopOpeningClick(QObject*) { StopRequested = true; }

void TBasicCommForm::btnStopCommClick(QObject*) {
    btnStopComm->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        TBasicCommForm* form;
        ~Restore() {
            form->ApplyPanelState(PanelState::Closed);
            QApplication::restoreOverrideCursor();
        }
    } restore{this};
    if (CommLink) CommLink->Disconnect();
    SetStatus("串口已关闭");
    CommOpened = false;
}
