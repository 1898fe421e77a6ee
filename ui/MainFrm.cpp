#include "ui/MainFrm.h"

#include "ui/qt/MsgBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>

const QEvent::Type TMainForm::CheckFolderEvent = static_cast<QEvent::Type>(QEvent::User + (WM_CHECKFOLDER - 1024));

namespace {

constexpr const char* kTagProperty = "tag";

QPushButton* MakeInitButton(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setFont(ChineseUiFontPx(16, true));
    button->setEnabled(false);
    return button;
}

// Outer size 436 x 243 with a standard frame around it.
constexpr int kClientWidth = 420;
constexpr int kClientHeight = 205;

}  // namespace

TMainForm::TMainForm(QWidget* parent) : TBasicCommForm(parent) {
    setObjectName("MainForm");
    btnStopOpening->move(149, 17);
    btnStopComm->move(285, 17);
    btnInitCard = MakeInitButton(this, "btnInitCard", "初始化包号", {306, 132, 103, 48});
    btnInitCard->setVisible(false);
    btnStartInit = MakeInitButton(this, "btnStartInit", "开始初始化", {294, 132, 103, 48});
    btnStartInit->setProperty(kTagProperty, 0);
    setTabOrder(grpCommConfig, btnInitCard);
    setTabOrder(btnInitCard, btnStartInit);
    setFixedSize(kClientWidth, kClientHeight);

    connect(btnInitCard, &QPushButton::clicked, this, [this] { Guarded([this] { btnInitCardClick(btnInitCard); }); });
    connect(btnStartInit, &QPushButton::clicked, this, [this] { Guarded([this] { btnStartInitClick(btnStartInit); }); });
}

TMainForm::~TMainForm() { TMainForm::FormDestroy(this); }

void TMainForm::InitOnCreate() {
    TBasicCommForm::InitOnCreate();
    btnInitCard->setEnabled(false);
    setWindowTitle("发卡格式机(5,6号包)");
    // The two buttons keep their own larger font.
    btnInitCard->setFont(ChineseUiFontPx(16, true));
    btnStartInit->setFont(ChineseUiFontPx(16, true));
}

void TMainForm::InitOnShow() {
    TBasicCommForm::InitOnShow();
    QCoreApplication::postEvent(this, new QEvent(CheckFolderEvent));
}

void TMainForm::customEvent(QEvent* event) {
    if (event->type() == CheckFolderEvent) {
        Guarded([this] { CheckEXEINValidFolder(); });
        return;
    }
    TBasicCommForm::customEvent(event);
}

void TMainForm::CheckEXEINValidFolder() {
    // Bare names: they are looked for in the working directory, where the
    // installation starts the tool, not beside the tool's own program file.
    const bool placed = QFileInfo("Tolvane.exe").isFile() && QFileInfo("KelmConfig.ini").isFile();
    if (placed) return;
    grpCommConfig->setEnabled(false);
    btnOpenComm->setEnabled(false);
    ShowInfo("请将格式化软件放置在水控软件安装目录。");
}

int TMainForm::StartInitTag() const { return btnStartInit->property(kTagProperty).toInt(); }

void TMainForm::SetStartInitTag(int tag) { btnStartInit->setProperty(kTagProperty, tag); }

void TMainForm::btnOpenCommClick(QObject* sender) {
    if (stopping_) return;
    struct Finally {
        TMainForm* form;
        ~Finally() {
            form->btnInitCard->setEnabled(form->CommOpened);
            form->btnStartInit->setEnabled(form->CommOpened);
        }
    } finally{this};
    TBasicCommForm::btnOpenCommClick(sender);
}

KeyMaterial TMainForm::CardKeys() { return InstallationKeyMaterial(); }

void TMainForm::btnInitCardClick(QObject*) {
    if (!CommLink) return;
    lastOutcome_ = InitializeCard(*CommLink, CardKeys(), [](const std::string& text) { ShowInfoUtf8(text); });
}

void TMainForm::OnCardFound(std::uint32_t) { btnInitCardClick(btnInitCard); }

void TMainForm::btnStartInitClick(QObject*) {
    if (stopping_) return;
    if (StartInitTag() != 0) {
        SetStartInitTag(0);
        btnStartInit->setText("开始初始化");
        stopping_ = true;
        struct Done {
            TMainForm* form;
            ~Done() {
                form->stopping_ = false;
                if (form->closeAfterStop_) {
                    form->closeAfterStop_ = false;
                    QTimer::singleShot(0, form, &QWidget::close);
                }
            }
        } done{this};
        CardWatcher->Stop();
        return;
    }
    if (!CardWatcher) {
        CardWatcher = std::make_unique<TAutoFindCardThrd>(CommLink.get());
        CardWatcher->OnNewCard = [this](std::uint32_t serial) { OnCardFound(serial); };
        // While this thread waits for the watcher, the watcher may be waiting for the
        // operator to confirm a message on this thread: keep the dialogs working. The
        // handlers below refuse to run again meanwhile.
        CardWatcher->WaitService = [] { QApplication::processEvents(QEventLoop::AllEvents, 10); };
        if (!CardWatcher->EnsureOpen("")) {
            ShowInfo("打开串口失败");
            return;
        }
    }
    btnStartInit->setText("停止初始化");
    SetStartInitTag(1);
    CardWatcher->Start();
}

void TMainForm::btnStopCommClick(QObject* sender) {
    if (stopping_) return;
    if (StartInitTag() == 1) btnStartInitClick(btnStartInit);
    btnStartInit->setEnabled(false);
    TBasicCommForm::btnStopCommClick(sender);
}

void TMainForm::FormClose(QObject* sender, QCloseEvent* event) {
    if (stopping_) {
        // This handler runs inside the wait for the watcher; the window must outlive it.
        closeAfterStop_ = true;
        event->ignore();
        return;
    }
    TBasicCommForm::FormClose(sender, event);
}

void TMainForm::FormDestroy(QObject* sender) {
    // The watcher works through the link: it goes first.
    CardWatcher.reset();
    TBasicCommForm::FormDestroy(sender);
}
