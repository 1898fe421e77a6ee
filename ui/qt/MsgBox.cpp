#include "ui/qt/MsgBox.h"

#include "ui/DialogHandOver.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) { return text.toStdString(); }

std::string ApplicationTitle() { return ToUtf8(QGuiApplication::applicationDisplayName()); }

QStyle::StandardPixmap StyleIcon(int iconId) {
    switch (iconId) {
        case 32515: return QStyle::SP_MessageBoxWarning;
        case 32513: return QStyle::SP_MessageBoxCritical;
        case 32514: return QStyle::SP_MessageBoxQuestion;
        default: return QStyle::SP_MessageBoxInformation;
    }
}

// Half the primary screen bounds the text width and the whole screen is what
// the dialog is centred on. The full geometry is used rather than the
// available area so both agree with what the operator sees as "the screen".
QRect ScreenRect() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) return screen->geometry();
    return QRect(0, 0, 1024, 768);  // headless without any screen: any sane size
}

void CentreOnScreen(QWidget& window) {
    const QRect screen = ScreenRect();
    // frameGeometry() includes the window frame once the platform knows it and
    // equals geometry() before; move() places the frame.
    const QSize outer = window.frameGeometry().size();
    const LayoutPoint at = CentredOnScreen(screen.width(), screen.height(), outer.width(), outer.height());
    window.move(screen.x() + at.x, screen.y() + at.y);
}

class QtMeasurer final : public MessageMeasurer {
public:
    explicit QtMeasurer(const QFont& font) : metrics_(font) {}
    CharCell MeasureSample() override {
        const QRect line = metrics_.boundingRect(QRect(), Qt::TextSingleLine, QString::fromLatin1(kAverageCharSample));
        return CharCell{line.width(), line.height()};
    }
    int MeasureCaption(const std::string& caption) override {
        return metrics_.boundingRect(QRect(), Qt::TextSingleLine | Qt::TextShowMnemonic, FromUtf8(caption)).width();
    }
    CharCell MeasureText(const std::string& text, int wrapWidth) override {
        // The bounding height is only a limit for the layout, never reached.
        const QRect box =
            metrics_.boundingRect(QRect(0, 0, wrapWidth, 1 << 24),
                                  Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs, FromUtf8(text));
        return CharCell{box.width(), box.height()};
    }

private:
    QFontMetrics metrics_;
};

class QtCopyFace final : public CopyKeyFace {
public:
    explicit QtCopyFace(TMessageForm& form) : form_(form) {}
    std::string CopyText() override { return ToUtf8(BuildCopyText(form_)); }
    void CopyToClipboard(const std::string& utf8) override { ::CopyToClipboard(FromUtf8(utf8)); }
    void Beep() override { QApplication::beep(); }
    void ReportError(const std::string& utf8) override {
        ShowMessageDialog(FromUtf8(utf8), QString(), mbOK, mkError, &form_);
    }

private:
    TMessageForm& form_;
};

unsigned Modifiers(Qt::KeyboardModifiers qt) {
    unsigned modifiers = 0;
    if (qt & Qt::ShiftModifier) modifiers |= kShiftKey;
    if (qt & Qt::ControlModifier) modifiers |= kCtrlKey;
    if (qt & Qt::AltModifier) modifiers |= kAltKey;
    if (qt & Qt::MetaModifier) modifiers |= kMetaKey;
    return modifiers;
}

// Letters and digits have the window system's virtual-key numbers in Qt too.
int VirtualKey(int qtKey) {
    return (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) ? qtKey : 0;
}

// Enter (either key) and Esc as the model numbers them.
int DialogKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Return:
        case Qt::Key_Enter: return kVirtualKeyReturn;
        case Qt::Key_Escape: return kVirtualKeyEscape;
        default: return 0;
    }
}

QPushButton* FindButton(const TMessageForm& form, int bit) {
    if (bit < 0) return nullptr;
    return form.findChild<QPushButton*>(QLatin1String(ButtonInfo(bit).name), Qt::FindDirectChildrenOnly);
}

// Which bits the dialog's buttons stand for, read back from the buttons built.
MessageButtons ButtonsOf(const TMessageForm& form) {
    MessageButtons buttons = 0;
    for (int bit = 0; bit < kMessageButtonCount; ++bit)
        if (FindButton(form, bit)) buttons |= MessageButtons(1u << bit);
    return buttons;
}

QApplication* WidgetApplication() { return qobject_cast<QApplication*>(QCoreApplication::instance()); }

int PrintInstead(const QString& text, const QString& caption, MessageKind kind) {
    const QString title = caption.isEmpty() ? FromUtf8(KindTitle(kind, ApplicationTitle())) : caption;
    const QByteArray line = (title.isEmpty() ? text : title + QStringLiteral(": ") + text).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
    std::fflush(stderr);
    return mrNone;
}

void WriteApplicationClipboard(const QString& text) {
    QClipboard* clipboard =
        qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
    if (!clipboard) throw std::runtime_error(kCannotOpenClipboard);
    clipboard->setText(text);
}

std::atomic<ClipboardWriter> clipboardWriter{nullptr};

}  // namespace

TMessageForm::TMessageForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    // Falls back to the default font where the platform has no message font.
    setFont(QApplication::font("QMessageBox"));
    setLayoutDirection(QGuiApplication::layoutDirection());
    Message = new QLabel(this);
    Message->setObjectName(QStringLiteral("Message"));
    // Set, not inherited: a platform font for labels must not override the
    // font the text was measured in.
    Message->setFont(font());
    // Plain text: a message that happens to look like HTML must show as typed,
    // and the label must draw exactly what BuildMessageDialog measured.
    Message->setTextFormat(Qt::PlainText);
    Message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Message->setWordWrap(true);
}

void TMessageForm::reject() { done(mrCancel); }

void TMessageForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    raise();
    activateWindow();
}

void TMessageForm::keyPressEvent(QKeyEvent* event) {
    if (HandleKey(*event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TMessageForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && HandleKey(*static_cast<QKeyEvent*>(event))) return true;
    return QDialog::eventFilter(watched, event);
}

bool TMessageForm::HandleKey(const QKeyEvent& event) {
    if (HandleCopyKey(*this, event)) return true;
    int focusedBit = -1;
    for (int bit = 0; bit < kMessageButtonCount; ++bit)
        if (QPushButton* button = FindButton(*this, bit); button && button->hasFocus()) focusedBit = bit;
    const DialogKeyAnswer answer =
        AnswerDialogKey(DialogKey(event.key()), Modifiers(event.modifiers()), ButtonsOf(*this), focusedBit);
    if (QPushButton* pressed = FindButton(*this, answer.bit)) pressed->click();
    return answer.usedUp;
}

TMessageForm* BuildMessageDialog(const QString& text, MessageKind kind, MessageButtons buttons, QWidget* parent) {
    Q_ASSERT_X(QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread(),
               "BuildMessageDialog", "dialogs are built on the GUI thread");
    auto form = std::make_unique<TMessageForm>(parent);
    QtMeasurer measurer(form->font());
    const bool rightToLeft = form->layoutDirection() == Qt::RightToLeft;
    const MessageLayout layout =
        LayOutMessageDialog(ToUtf8(text), kind, buttons, ScreenRect().width(), rightToLeft, measurer);

    form->setFixedSize(layout.clientWidth, layout.clientHeight);
    CentreOnScreen(*form);
    form->setWindowTitle(FromUtf8(KindTitle(kind, ApplicationTitle())));

    if (layout.iconId != 0) {
        auto* image = new QLabel(form.get());
        image->setObjectName(QStringLiteral("Image"));
        const QIcon icon = form->style()->standardIcon(StyleIcon(layout.iconId), nullptr, form.get());
        image->setPixmap(icon.pixmap(QSize(kIconSize, kIconSize), form->devicePixelRatioF()));
        image->setGeometry(layout.icon.left, layout.icon.top, layout.icon.width, layout.icon.height);
    }

    form->Message->setText(text);
    form->Message->setGeometry(layout.message.left, layout.message.top, layout.message.width, layout.message.height);

    for (const PlacedButton& placed : layout.buttons) {
        const MessageButtonInfo& info = ButtonInfo(placed.bit);
        auto* button = new QPushButton(QString::fromUtf8(info.caption), form.get());
        button->setObjectName(QLatin1String(info.name));
        button->setFont(form->font());  // captions were measured in it
        button->setGeometry(placed.bounds.left, placed.bounds.top, placed.bounds.width, placed.bounds.height);
        const int result = info.result;
        TMessageForm* target = form.get();
        QObject::connect(button, &QPushButton::clicked, target, [target, result] { target->done(result); });
        button->installEventFilter(target);
        if (placed.isDefault) {
            button->setDefault(true);
            button->setFocus();
        }
    }
    return form.release();
}

int ShowMessageDialog(const QString& text, const QString& caption, MessageButtons buttons, MessageKind kind,
                      QWidget* parent) {
    QApplication* app = WidgetApplication();
    if (!app) return PrintInstead(text, caption, kind);

    if (QThread::currentThread() != app->thread()) {
        const auto post = [app](std::function<void()> task) {
            return QMetaObject::invokeMethod(app, std::move(task), Qt::QueuedConnection);
        };
        const QPointer<QWidget> owner(parent);
        const auto open = [=](std::function<void(int)> finish) {
            TMessageForm* form = BuildMessageDialog(text, kind, buttons, owner.data());
            if (!caption.isEmpty()) form->setWindowTitle(caption);
            form->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(form, &QDialog::finished, form, std::move(finish));
            form->setWindowModality(Qt::ApplicationModal);
            form->winId();
            CentreOnScreen(*form);
            form->open();
        };
        return RunOnUiThreadAndWait(post, open, mrNone);
    }

    const std::unique_ptr<TMessageForm> form(BuildMessageDialog(text, kind, buttons, parent));
    if (!caption.isEmpty()) form->setWindowTitle(caption);
    // Creating the native window first lets platforms that know the frame
    // before mapping report it, so the centring covers the whole window.
    form->winId();
    CentreOnScreen(*form);
    return form->exec();
}

int ShowInfo(const QString& text, QWidget* parent) {
    return ShowMessageDialog(text, QString(), mbOK, mkInformation, parent);
}

void ShowInfoUtf8(const std::string& text, QWidget* parent) { ShowInfo(FromUtf8(text), parent); }

bool HandleCopyKey(TMessageForm& form, const QKeyEvent& event) {
    if (event.type() != QEvent::KeyPress) return false;
    QtCopyFace face(form);
    return HandleCopyKey(VirtualKey(event.key()), Modifiers(event.modifiers()), face);
}

QString BuildCopyText(const TMessageForm& form) {
    std::vector<std::string> captions;
    for (const QPushButton* button : form.findChildren<QPushButton*>(Qt::FindDirectChildrenOnly))
        captions.push_back(ToUtf8(button->text()));
    return FromUtf8(BuildCopyText(ToUtf8(form.windowTitle()), ToUtf8(form.Message->text()), captions));
}

void CopyToClipboard(const QString& text) {
    const ClipboardWriter writer = clipboardWriter.load();
    (writer ? writer : WriteApplicationClipboard)(text);
}

ClipboardWriter SetClipboardWriter(ClipboardWriter writer) { return clipboardWriter.exchange(writer); }
