#include "ui/qt/QtForm.h"

#include "ui/qt/MsgBox.h"
#include "ui/qt/QtFonts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QTimerEvent>

#include <algorithm>
#include <vector>

namespace {

// The frame Qt's offscreen and X11 styles draw around a window's client area.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 38;

const QEvent::Type kPostedMessage = static_cast<QEvent::Type>(QEvent::registerEventType());

class PostedMessage : public QEvent {
public:
    explicit PostedMessage(int message) : QEvent(kPostedMessage), message(message) {}
    const int message;
};

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QtForm::QtForm(const FormLayout& layout, QWidget* parent) : QWidget(parent), layout_(layout) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setBackgroundRole(QPalette::Button);  // the system button-face colour
    setAutoFillBackground(true);
    setObjectName(NameOf(FormControl::Form));
    setFont(QtFontOf(kWindowFont));
    controls_[FormControl::Form] = this;

    for (const ControlLayout& row : layout.controls) {
        QWidget* parentWidget = controls_.at(row.parent);
        const QString caption = QString::fromUtf8(row.caption);
        QWidget* widget = nullptr;
        switch (KindOf(row.control)) {
            case ControlKind::GroupBox: widget = new QGroupBox(caption, parentWidget); break;
            case ControlKind::Label: widget = new QLabel(caption, parentWidget); break;
            case ControlKind::Button: {
                auto* button = new QPushButton(caption, parentWidget);
                const FormControl control = row.control;
                connect(button, &QPushButton::clicked, this,
                        [this, control] { Guarded([this, control] { form_->Click(control); }); });
                widget = button;
                break;
            }
            case ControlKind::Window: continue;
        }
        widget->setObjectName(NameOf(row.control));
        widget->setGeometry(row.left, row.top, row.width, row.height);
        if (row.font) {
            widget->setFont(QtFontOf(*row.font));
            if (const QColor colour = QtColourOf(*row.font); colour.isValid())
                widget->setStyleSheet(QString("color: %1;").arg(colour.name()));
        }
        widget->setEnabled(row.enabled);
        if (!row.visible) widget->setVisible(false);
        if (row.sizeToText) widget->adjustSize();
        controls_[row.control] = widget;
    }

    // Tab order: the buttons and group boxes of each parent by their rank.
    std::vector<const ControlLayout*> focusable;
    for (const ControlLayout& row : layout.controls)
        if (KindOf(row.control) == ControlKind::Button || KindOf(row.control) == ControlKind::GroupBox)
            focusable.push_back(&row);
    std::stable_sort(focusable.begin(), focusable.end(), [](const ControlLayout* a, const ControlLayout* b) {
        return a->parent != b->parent ? a->parent < b->parent : a->tabOrder < b->tabOrder;
    });
    for (std::size_t i = 1; i < focusable.size(); ++i)
        if (focusable[i - 1]->parent == focusable[i]->parent)
            setTabOrder(controls_.at(focusable[i - 1]->control), controls_.at(focusable[i]->control));

    setFixedSize(layout.outerWidth - kFrameWidth, layout.outerHeight - kFrameHeight);
}

QtForm::~QtForm() {
    if (form_) {
        Guarded([this] { form_->FormDestroy(); });
        form_.reset();
    }
    if (busy_) QApplication::restoreOverrideCursor();
}

void QtForm::Attach(std::unique_ptr<TBasicForm> form) {
    form_ = std::move(form);
    form_->FormCreate();
}

QWidget* QtForm::Control(FormControl control) const { return controls_.at(control); }

void QtForm::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ShowMessageDialog(QString::fromUtf8(e.what()), QString(), mbOK, mkError, this);
    }
}

void QtForm::SetEnabled(FormControl control, bool enabled) { Control(control)->setEnabled(enabled); }

bool QtForm::IsEnabled(FormControl control) const { return Control(control)->isEnabled(); }

void QtForm::SetText(FormControl control, const std::string& text) {
    const QString value = FromUtf8(text);
    QWidget* widget = Control(control);
    switch (KindOf(control)) {
        case ControlKind::Window: setWindowTitle(value); break;
        case ControlKind::GroupBox: static_cast<QGroupBox*>(widget)->setTitle(value); break;
        case ControlKind::Button: static_cast<QAbstractButton*>(widget)->setText(value); break;
        case ControlKind::Label: {
            auto* label = static_cast<QLabel*>(widget);
            label->setText(value);
            if (LayoutOf(layout_, control).sizeToText) label->adjustSize();
            // The scan keeps this thread busy while it probes: paint the label now.
            label->repaint();
            break;
        }
    }
}

void QtForm::SetBusyCursor(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtForm::ProcessEvents(long waitMs) {
    if (waitMs <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    // The timer ends the wait when nothing else arrives.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(static_cast<int>(waitMs));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtForm::PostToSelf(int message) { QCoreApplication::postEvent(this, new PostedMessage(message)); }

void QtForm::CloseSelf() { QTimer::singleShot(0, this, &QWidget::close); }

void QtForm::StartTimer(int id, long intervalMs) {
    StopTimer(id);
    timers_[id] = startTimer(static_cast<int>(intervalMs));
}

void QtForm::StopTimer(int id) {
    if (auto it = timers_.find(id); it != timers_.end()) {
        killTimer(it->second);
        timers_.erase(it);
    }
}

// Also from the card watcher's thread: the dialog opens on the GUI thread as a
// dialog of this window.
void QtForm::ShowInfo(const std::string& text) { ShowInfoUtf8(text, this); }

void QtForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    if (!centred_) {
        centred_ = true;
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect desk = screen->availableGeometry();
            const QRect frame = frameGeometry();
            move(desk.left() + (desk.width() - frame.width()) / 2, desk.top() + (desk.height() - frame.height()) / 2);
        }
    }
    Guarded([this] { form_->FormShow(); });
}

void QtForm::closeEvent(QCloseEvent* event) {
    // An error in the close path is reported; the window closes all the same.
    bool mayClose = true;
    Guarded([&] { mayClose = form_->FormClose(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    setAttribute(Qt::WA_DeleteOnClose, true);
    event->accept();
}

void QtForm::customEvent(QEvent* event) {
    if (event->type() == kPostedMessage) {
        const int message = static_cast<PostedMessage*>(event)->message;
        Guarded([this, message] { form_->MessageReceived(message); });
        return;
    }
    QWidget::customEvent(event);
}

void QtForm::timerEvent(QTimerEvent* event) {
    for (const auto& [id, qtId] : timers_) {
        if (qtId == event->timerId()) {
            const int logicId = id;
            Guarded([this, logicId] { form_->TimerFired(logicId); });
            return;
        }
    }
    QWidget::timerEvent(event);
}
