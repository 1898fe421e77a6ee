#include "WindowTestSupport.h"

#include "ui/qt/MsgBox.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QTest>

#include <cstdio>
#include <cstdlib>

namespace harness {

Desk::Desk(bool withReader, bool placed) : previousFolder_(QDir::currentPath()) {
    if (withReader) reader_.LinkAs("com3");
    QDir::setCurrent(folder_.path());
    // The window's journal goes into the desk's folder, never the user's.
    previousStateHome_ = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", (folder_.path() + "/state").toUtf8());
    if (placed) {
        QFile("Tolvane.exe").open(QIODevice::WriteOnly);
        QFile("KelmConfig.ini").open(QIODevice::WriteOnly);
    }
}

Desk::~Desk() {
    QDir::setCurrent(previousFolder_);
    if (previousStateHome_.isNull())
        qunsetenv("XDG_STATE_HOME");
    else
        qputenv("XDG_STATE_HOME", previousStateHome_);
}

QString Desk::JournalFolder() const { return folder_.path() + "/state/cardfmt"; }

QtMainForm* Desk::OpenMainForm() {
    auto* form = new QtMainForm;
    form->show();
    // The placement check arrives as a posted message.
    QCoreApplication::processEvents();
    return form;
}

LabelRecorder::LabelRecorder(QWidget* label) : QObject(label) { label->installEventFilter(this); }

bool LabelRecorder::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        const QString text = static_cast<QLabel*>(watched)->text();
        if (texts_.isEmpty() || texts_.last() != text) texts_ << text;
    }
    return false;
}

QList<TMessageForm*> ShownDialogs() {
    QList<TMessageForm*> shown;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* form = qobject_cast<TMessageForm*>(widget); form && form->isVisible()) shown << form;
    return shown;
}

bool WaitUntilDeleted(const QPointer<QWidget>& window, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (window && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return window.isNull();
}

Watchdog::Watchdog(std::chrono::seconds limit, const char* what) {
    thread_ = std::thread([this, limit, what] {
        std::unique_lock lock(mutex_);
        if (!done_.wait_for(lock, limit, [this] { return finished_; })) {
            std::fprintf(stderr, "watchdog: %s did not finish within %lld s\n", what,
                         static_cast<long long>(limit.count()));
            std::abort();
        }
    });
}

Watchdog::~Watchdog() {
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    done_.notify_all();
    thread_.join();
}

}  // namespace harness
