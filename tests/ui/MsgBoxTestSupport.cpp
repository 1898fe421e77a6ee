#include "MsgBoxTestSupport.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFontMetrics>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace harness {

int Units(int n, int cell, int divisor) {
    return static_cast<int>(std::lround(static_cast<double>(n) * cell / divisor));
}

ExpectedLayout Expect(const QFont& font, const QString& text, bool hasIcon, const QStringList& captions) {
    const QFontMetrics fm(font);
    const QRect letters = fm.boundingRect(QRect(), Qt::TextSingleLine,
                                          QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int w = letters.width() / 52;
    const int h = letters.height();

    ExpectedLayout e;
    e.marginX = Units(8, w, 4);
    e.marginY = Units(8, h, 8);
    e.spacingX = Units(10, w, 4);
    e.spacingY = Units(10, h, 8);
    e.minButtonWidth = Units(50, w, 4);
    e.buttonWidth = e.minButtonWidth;
    for (const QString& caption : captions)
        e.buttonWidth = std::max(e.buttonWidth, fm.boundingRect(QRect(), Qt::TextSingleLine, caption).width() + 8);
    e.buttonHeight = Units(14, h, 8);
    e.buttonSpacing = Units(4, w, 4);

    const QRect textRect =
        fm.boundingRect(QRect(0, 0, HalfScreenWidth(), 100000), Qt::TextWordWrap | Qt::TextExpandTabs, text);
    e.textWidth = textRect.width();
    e.textHeight = textRect.height();
    e.iconTextWidth = e.textWidth + (hasIcon ? e.spacingX + 32 : 0);
    e.iconTextHeight = hasIcon ? std::max(32, e.textHeight) : e.textHeight;

    const int n = static_cast<int>(captions.size());
    e.groupWidth = n == 0 ? 0 : n * e.buttonWidth + (n - 1) * e.buttonSpacing;
    e.clientWidth = std::max(e.iconTextWidth, e.groupWidth) + 2 * e.marginX;
    e.clientHeight = e.iconTextHeight + e.buttonHeight + e.spacingY + 2 * e.marginY;
    return e;
}

int HalfScreenWidth() { return QGuiApplication::primaryScreen()->geometry().width() / 2; }

TMessageForm* ShownDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* form = qobject_cast<TMessageForm*>(widget); form && form->isVisible()) return form;
    return nullptr;
}

void WhenDialogShown(std::function<void(TMessageForm*)> act, int timeoutMs) {
    auto* poll = new QTimer(qApp);
    const QDeadlineTimer deadline(timeoutMs);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, deadline, act = std::move(act)] {
        if (TMessageForm* form = ShownDialog(); form && form->isActiveWindow()) {
            poll->deleteLater();
            poll->stop();
            act(form);
        } else if (deadline.hasExpired()) {
            poll->deleteLater();
            poll->stop();
            if (form) form->done(mrNone);
            QFAIL("no message dialog became active in time");
        }
    });
    poll->start(10);
}

void PressKey(TMessageForm* dialog, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != dialog) target = dialog;
    QTest::keyClick(target, key, modifiers);
}

Worker::Worker(std::function<void()> job) : thread_(QThread::create(std::move(job))) { thread_->start(); }

Worker::~Worker() {
    if (!waitUntilFinished(10000)) {
        // Last resort for a broken ShowInfo: never leave a thread blocked.
        thread_->terminate();
        thread_->wait();
    }
    delete thread_;
}

bool Worker::waitUntilFinished(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!thread_->isFinished() && !deadline.hasExpired()) {
        if (TMessageForm* form = ShownDialog()) form->done(mrNone);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        thread_->wait(10);
    }
    return thread_->wait(0);
}

ScopedLayoutDirection::ScopedLayoutDirection(Qt::LayoutDirection direction)
    : saved_(QGuiApplication::layoutDirection()) {
    QGuiApplication::setLayoutDirection(direction);
}

ScopedLayoutDirection::~ScopedLayoutDirection() { QGuiApplication::setLayoutDirection(saved_); }

}  // namespace harness
