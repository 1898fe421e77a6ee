#include "ui/MsgBox.h"

#include "ui/DialogUnits.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <initializer_list>
#include <future>
#include <memory>
#include <stdexcept>

namespace {

struct ButtonInfo {
    const char* name;
    const char16_t* caption;
    MessageResult result;
};

// Indexed by bit number. "Ingore" is misspelt on purpose: scripts and tests
// find the button by that object name.
constexpr ButtonInfo kButtons[kMessageButtonCount] = {
    {"Yes", u"是", mrYes},         {"No", u"否", mrNo},           {"OK", u"确认", mrOK},
    {"Abort", u"终止", mrAbort},   {"Replace", u"覆盖", mrReplace}, {"Ingore", u"忽略", mrIgnore},
    {"Cancel", u"取消", mrCancel}, {"Retry", u"重试", mrRetry},
};

constexpr int kBitYes = 0, kBitNo = 1, kBitOK = 2, kBitReplace = 4, kBitCancel = 6, kBitRetry = 7;

constexpr int kIconSize = 32;

// Dialog units of the layout.
constexpr int kMarginX = 8, kMarginY = 8, kSpacingX = 10, kSpacingY = 10;
constexpr int kButtonMinWidth = 50, kButtonHeight = 14, kButtonSpacing = 4;

// Pixels added to a caption's width so the text does not touch the button edge.
constexpr int kCaptionPadding = 8;

QString KindTitle(MessageKind kind) {
    switch (kind) {
    case mkWarning: return QStringLiteral("警告");
    case mkError: return QStringLiteral("错误");
    case mkInformation: return QStringLiteral("提示");
    case mkConfirmation: return QStringLiteral("确认");
    case mkCustom: break;
    }
    return QGuiApplication::applicationDisplayName();  // falls back to applicationName()
}

bool KindIcon(MessageKind kind, QStyle::StandardPixmap* icon) {
    switch (kind) {
    case mkWarning: *icon = QStyle::SP_MessageBoxWarning; return true;
    case mkError: *icon = QStyle::SP_MessageBoxCritical; return true;
    case mkInformation: *icon = QStyle::SP_MessageBoxInformation; return true;
    case mkConfirmation: *icon = QStyle::SP_MessageBoxQuestion; return true;
    case mkCustom: break;
    }
    return false;
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
    window.move(screen.x() + screen.width() / 2 - outer.width() / 2,
                screen.y() + screen.height() / 2 - outer.height() / 2);
}

QPushButton* FindButton(const TMessageForm& form, int bit) {
    return form.findChild<QPushButton*>(QLatin1String(kButtons[bit].name), Qt::FindDirectChildrenOnly);
}

QPushButton* FirstPresent(const TMessageForm& form, std::initializer_list<int> bits) {
    for (int bit : bits)
        if (QPushButton* button = FindButton(form, bit)) return button;
    return nullptr;
}

QPushButton* CancelButton(const TMessageForm& form) {
    return FirstPresent(form, {kBitCancel, kBitNo, kBitOK});
}

// Removes mnemonic markers the way a button shows its caption: "&&" is a
// literal ampersand, any other "&" only underlines the next character.
QString WithoutMnemonics(const QString& caption) {
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] != u'&') {
            plain += caption[i];
        } else if (i + 1 < caption.size() && caption[i + 1] == u'&') {
            plain += u'&';
            ++i;
        }
    }
    return plain;
}

QApplication* WidgetApplication() { return qobject_cast<QApplication*>(QCoreApplication::instance()); }

int PrintInstead(const QString& text, const QString& caption, MessageKind kind) {
    const QString title = caption.isEmpty() ? KindTitle(kind) : caption;
    const QByteArray line = (title.isEmpty() ? text : title + QStringLiteral(": ") + text).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
    std::fflush(stderr);
    return mrNone;
}

}  // namespace

TMessageForm::TMessageForm(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
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

void TMessageForm::keyPressEvent(QKeyEvent* event) {
    if (HandleCopyKey(*this, *event)) {
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Cancel)) {
        // Without a cancel button Esc must not invent an answer the dialog does
        // not offer; the operator has to pick a button.
        if (QPushButton* cancel = CancelButton(*this)) cancel->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TMessageForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && HandleCopyKey(*this, *static_cast<QKeyEvent*>(event))) return true;
    return QDialog::eventFilter(watched, event);
}

std::array<int, kMessageButtonCount>& ButtonWidthCache() {
    static std::array<int, kMessageButtonCount> widths{};
    return widths;
}

TMessageForm* BuildMessageDialog(const QString& text, MessageKind kind, MessageButtons buttons) {
    Q_ASSERT_X(QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread(),
               "BuildMessageDialog", "dialogs are built on the GUI thread");
    auto form = std::make_unique<TMessageForm>();
    const QFontMetrics metrics(form->font());
    const QSize average = AverageCharSize(metrics);
    const int marginX = HorzUnits(kMarginX, average);
    const int marginY = VertUnits(kMarginY, average);
    const int spacingX = HorzUnits(kSpacingX, average);
    const int spacingY = VertUnits(kSpacingY, average);

    int buttonWidth = HorzUnits(kButtonMinWidth, average);
    int buttonCount = 0;
    auto& widths = ButtonWidthCache();
    for (int bit = 0; bit < kMessageButtonCount; ++bit) {
        if (!(buttons & (1u << bit))) continue;
        ++buttonCount;
        if (widths[bit] == 0) {
            const QString caption = QString::fromUtf16(kButtons[bit].caption);
            widths[bit] =
                metrics.boundingRect(QRect(), Qt::TextSingleLine | Qt::TextShowMnemonic, caption).width() +
                kCaptionPadding;
        }
        buttonWidth = std::max(buttonWidth, widths[bit]);
    }
    const int buttonHeight = VertUnits(kButtonHeight, average);
    const int buttonSpacing = HorzUnits(kButtonSpacing, average);

    // The bounding height is only a limit for the layout, never reached.
    const QRect screen = ScreenRect();
    const QRect textRect = metrics.boundingRect(
        QRect(0, 0, screen.width() / 2, 1 << 24),
        Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs, text);
    const int textWidth = textRect.width();
    const int textHeight = textRect.height();

    QStyle::StandardPixmap iconKind{};
    const bool hasIcon = KindIcon(kind, &iconKind);
    int iconTextWidth = textWidth;
    int iconTextHeight = textHeight;
    if (hasIcon) {
        iconTextWidth += spacingX + kIconSize;
        iconTextHeight = std::max(kIconSize, textHeight);
    }

    const int groupWidth = buttonCount == 0 ? 0 : buttonCount * buttonWidth + (buttonCount - 1) * buttonSpacing;
    const int clientWidth = std::max(iconTextWidth, groupWidth) + 2 * marginX;
    const int clientHeight = iconTextHeight + buttonHeight + spacingY + 2 * marginY;
    form->setFixedSize(clientWidth, clientHeight);
    CentreOnScreen(*form);
    form->setWindowTitle(KindTitle(kind));

    const bool rightToLeft = form->layoutDirection() == Qt::RightToLeft;
    if (hasIcon) {
        auto* image = new QLabel(form.get());
        image->setObjectName(QStringLiteral("Image"));
        const QIcon icon = form->style()->standardIcon(iconKind, nullptr, form.get());
        image->setPixmap(icon.pixmap(QSize(kIconSize, kIconSize), form->devicePixelRatioF()));
        // Mirrored along with the text, which would otherwise be drawn over it.
        const int iconLeft = rightToLeft ? clientWidth - marginX - kIconSize : marginX;
        image->setGeometry(iconLeft, marginY, kIconSize, kIconSize);
    }

    form->Message->setText(text);
    int textLeft = iconTextWidth - textWidth + marginX;
    if (rightToLeft) textLeft = clientWidth - textLeft - textWidth;
    form->Message->setGeometry(textLeft, marginY, textWidth, textHeight);

    int x = (clientWidth - groupWidth) / 2;
    const int y = iconTextHeight + marginY + spacingY;
    for (int bit = 0; bit < kMessageButtonCount; ++bit) {
        if (!(buttons & (1u << bit))) continue;
        auto* button = new QPushButton(QString::fromUtf16(kButtons[bit].caption), form.get());
        button->setObjectName(QLatin1String(kButtons[bit].name));
        button->setFont(form->font());  // captions were measured in it
        button->setGeometry(x, y, buttonWidth, buttonHeight);
        const int result = kButtons[bit].result;
        TMessageForm* target = form.get();
        QObject::connect(button, &QPushButton::clicked, target, [target, result] { target->done(result); });
        button->installEventFilter(target);
        x += buttonWidth + buttonSpacing;
    }
    if (QPushButton* byDefault = FirstPresent(*form, {kBitOK, kBitYes, kBitReplace, kBitRetry})) {
        byDefault->setDefault(true);
        byDefault->setFocus();
    }
    return form.release();
}

int ShowMessageDialog(const QString& text, const QString& caption, MessageButtons buttons, MessageKind kind) {
    QApplication* app = WidgetApplication();
    if (!app) return PrintInstead(text, caption, kind);

    if (QThread::currentThread() != app->thread()) {
        // The dialog is opened on the GUI thread without a nested event loop of its
        // own, and this thread is released by the dialog's result, not by the return
        // of a modal loop. So a GUI thread that waits for this thread (stopping the
        // card watcher, say) while serving events still lets the dialog finish and
        // this thread go on, wherever on its stack that wait happens to be.
        auto outcome = std::make_shared<std::promise<int>>();
        std::future<int> done = outcome->get_future();
        QMetaObject::invokeMethod(
            app,
            [=] {
                try {
                    TMessageForm* form = BuildMessageDialog(text, kind, buttons);
                    if (!caption.isEmpty()) form->setWindowTitle(caption);
                    form->setAttribute(Qt::WA_DeleteOnClose);
                    QObject::connect(form, &QDialog::finished, form, [outcome](int result) { outcome->set_value(result); });
                    form->setWindowModality(Qt::ApplicationModal);
                    form->winId();
                    CentreOnScreen(*form);
                    form->open();
                } catch (...) {
                    outcome->set_exception(std::current_exception());
                }
            },
            Qt::QueuedConnection);
        return done.get();
    }

    const std::unique_ptr<TMessageForm> form(BuildMessageDialog(text, kind, buttons));
    if (!caption.isEmpty()) form->setWindowTitle(caption);
    // Creating the native window first lets platforms that know the frame
    // before mapping report it, so the centring covers the whole window.
    form->winId();
    CentreOnScreen(*form);
    return form->exec();
}

int ShowInfo(const QString& text) { return ShowMessageDialog(text, QString(), mbOK, mkInformation); }

void ShowInfoUtf8(const std::string& text) {
    ShowInfo(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

bool HandleCopyKey(TMessageForm& form, const QKeyEvent& event) {
    if (event.type() != QEvent::KeyPress || event.key() != Qt::Key_C ||
        event.modifiers() != Qt::ControlModifier)
        return false;
    QApplication::beep();
    try {
        CopyToClipboard(BuildCopyText(form));
    } catch (const std::exception& error) {
        // Key handlers run inside the event loop, which must not see exceptions.
        qWarning("%s", error.what());
    }
    return true;
}

QString BuildCopyText(const TMessageForm& form) {
    const QString divider = QString(27, u'-') + QStringLiteral("\r\n");
    QString captions;
    for (const QPushButton* button : form.findChildren<QPushButton*>(Qt::FindDirectChildrenOnly))
        captions += button->text() + QStringLiteral("   ");
    captions = WithoutMnemonics(captions);
    return divider + form.windowTitle() + QStringLiteral("\r\n") + divider + form.Message->text() +
           QStringLiteral("\r\n") + divider + captions + QStringLiteral("\r\n") + divider;
}

void CopyToClipboard(const QString& text) {
    QClipboard* clipboard =
        qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
    if (!clipboard) throw std::runtime_error("Cannot open clipboard");
    clipboard->setText(text);
}
