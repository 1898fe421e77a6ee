// Shared by the window tests: a desk with the simulated reader linked as com3 in a
// private port table, an installation folder as working directory, and helpers to
// watch what the operator sees.
#pragma once

#include "harness/PortTable.h"
#include "sim/SimReader.h"
#include "ui/qt/QtMainForm.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class TMessageForm;

namespace harness {

// com1..com15 lead nowhere, except com3 when `withReader`; the working directory
// is a fresh folder holding the placement files when `placed`; XDG_STATE_HOME is
// a folder inside it.
class Desk {
public:
    explicit Desk(bool withReader = true, bool placed = true);
    ~Desk();
    Desk(const Desk&) = delete;
    Desk& operator=(const Desk&) = delete;

    sim::SimReader& Reader() { return reader_; }
    harness::PortTable& Ports() { return ports_; }
    QString Folder() const { return folder_.path(); }
    // Where the windows of this desk keep their journal (XDG_STATE_HOME/cardfmt).
    QString JournalFolder() const;

    // A main window made and shown as the program does it; the placement check
    // has run when this returns (no dialog pending, or the caller handles it).
    QtMainForm* OpenMainForm();

private:
    harness::PortTable ports_;
    sim::SimReader reader_;
    QTemporaryDir folder_;
    QString previousFolder_;
    QByteArray previousStateHome_;
};

// Every text the status label has been painted with, in order.
class LabelRecorder : public QObject {
public:
    explicit LabelRecorder(QWidget* label);
    const QStringList& Texts() const { return texts_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStringList texts_;
};

// Visible message dialogs, top level.
QList<TMessageForm*> ShownDialogs();

// Waits, serving events, until the window is gone (closed and freed).
bool WaitUntilDeleted(const QPointer<QWidget>& window, int timeoutMs = 10000);

// Aborts the test program when a test does not finish in time: a deadlock fails
// loudly instead of hanging the run.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit, const char* what);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

}  // namespace harness
