// The main window: the placement check, automatic initialization started and
// stopped through its button, cards laid on the simulated reader while it runs,
// and the watcher's messages shown on the UI thread while the watcher waits.
#include "WindowTestSupport.h"

#include "MsgBoxTestSupport.h"
#include "harness/InstallKeys.h"
#include "reader_link/SectorTrailer.h"
#include "ui/qt/MsgBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace harness;

namespace {

constexpr std::uint32_t kFresh = 0x5A5A0001;
constexpr std::uint32_t kDone = 0x5A5A0002;

sim::MifareCard InitializedCard(std::uint32_t serial) {
    sim::MifareCard card(serial);
    for (int sector : {5, 6}) {
        card.SetKeyA(sector, harness::InstallKeyFor(sector));
        card.SetKeyB(sector, kTrailerKeyB);
    }
    return card;
}

// Waits, serving events, for `condition`.
template <typename F>
bool Eventually(F condition, int timeoutMs = 10000) {
    return QTest::qWaitFor(condition, timeoutMs);
}

// A connected main window with automatic initialization running.
std::unique_ptr<QtMainForm> Running(Desk& desk) {
    std::unique_ptr<QtMainForm> form(desk.OpenMainForm());
    QTest::mouseClick(form->btnOpenComm, Qt::LeftButton);
    QTest::mouseClick(form->btnStartInit, Qt::LeftButton);
    return form;
}

}  // namespace

class MainFormTests : public QObject {
    Q_OBJECT
private slots:
    void windowAsTheOperatorFirstSeesIt() {
        Desk desk;
        std::unique_ptr<QtMainForm> form(desk.OpenMainForm());
        QCOMPARE(form->windowTitle(), QStringLiteral("发卡格式机(5,6号包)"));
        QCOMPARE(form->btnStartInit->text(), QStringLiteral("开始初始化"));
        QCOMPARE(form->btnInitCard->text(), QStringLiteral("初始化包号"));
        QVERIFY(!form->btnInitCard->isVisible());
        QVERIFY(!form->btnStartInit->isEnabled());
        QCOMPARE(form->Logic().StartInitTag(), 0);
        QVERIFY(ShownDialogs().isEmpty());
        QVERIFY(form->grpCommConfig->isEnabled());
    }

    void placementCheckFailsUnlessBothFilesAreThere_data() {
        QTest::addColumn<QString>("tolvane");  // "file", "folder" or "" (absent)
        QTest::addColumn<QString>("config");
        QTest::newRow("neither") << ""
                                 << "";
        QTest::newRow("only Tolvane.exe") << "file"
                                          << "";
        QTest::newRow("only KelmConfig.ini") << ""
                                             << "file";
        QTest::newRow("Tolvane.exe is a folder") << "folder"
                                                 << "file";
        QTest::newRow("KelmConfig.ini is a folder") << "file"
                                                    << "folder";
    }
    void placementCheckFailsUnlessBothFilesAreThere() {
        QFETCH(QString, tolvane);
        QFETCH(QString, config);
        Desk desk(true, /*placed=*/false);
        for (auto [kind, name] :
             {std::pair{tolvane, QStringLiteral("Tolvane.exe")}, std::pair{config, QStringLiteral("KelmConfig.ini")}}) {
            if (kind == "file") QVERIFY(QFile(name).open(QIODevice::WriteOnly));
            if (kind == "folder") QVERIFY(QDir().mkdir(name));
        }
        QString shown;
        WhenDialogShown([&](TMessageForm* dialog) {
            shown = dialog->Message->text();
            PressKey(dialog, Qt::Key_Return);
        });
        std::unique_ptr<QtMainForm> form(new QtMainForm);
        form->show();
        QVERIFY(Eventually([&] { return !shown.isEmpty(); }));
        QCOMPARE(shown, QStringLiteral("请将格式化软件放置在水控软件安装目录。"));
        QVERIFY(form->isVisible());
        QVERIFY(!form->grpCommConfig->isEnabled());
        QVERIFY(!form->btnOpenComm->isEnabled());
        QVERIFY(!form->btnStartInit->isEnabled());
    }

    void placementCheckLooksInTheWorkingDirectoryOnly() {
        Desk desk;                                    // the files are in the working directory...
        QVERIFY(QDir::setCurrent(QDir::tempPath()));  // ...but the tool starts elsewhere
        QString shown;
        WhenDialogShown([&](TMessageForm* dialog) {
            shown = dialog->Message->text();
            dialog->done(mrOK);
        });
        std::unique_ptr<QtMainForm> form(new QtMainForm);
        form->show();
        QVERIFY(Eventually([&] { return !shown.isEmpty(); }));
        QVERIFY(!form->btnOpenComm->isEnabled());
    }

    void startAndStopToggleCaptionAndTag() {
        Watchdog watchdog(std::chrono::seconds(60), "start and stop");
        Desk desk;
        std::unique_ptr<QtMainForm> form(desk.OpenMainForm());
        QTest::mouseClick(form->btnOpenComm, Qt::LeftButton);
        QVERIFY(form->btnStartInit->isEnabled());
        QVERIFY(!form->Logic().CardWatcher);

        QTest::mouseClick(form->btnStartInit, Qt::LeftButton);
        QCOMPARE(form->btnStartInit->text(), QStringLiteral("停止初始化"));
        QCOMPARE(form->Logic().StartInitTag(), 1);
        QVERIFY(form->Logic().CardWatcher);
        // The watcher polls the reader through the window's link.
        desk.Reader().ClearExchanges();
        QVERIFY(desk.Reader().WaitForExchanges(2, std::chrono::seconds(10)));

        TAutoFindCardThrd* watcher = form->Logic().CardWatcher.get();
        QTest::mouseClick(form->btnStartInit, Qt::LeftButton);
        QCOMPARE(form->btnStartInit->text(), QStringLiteral("开始初始化"));
        QCOMPARE(form->Logic().StartInitTag(), 0);
        QVERIFY(watcher->Idle.load());

        // The same watcher is started again.
        QTest::mouseClick(form->btnStartInit, Qt::LeftButton);
        QCOMPARE(form->Logic().CardWatcher.get(), watcher);
        QCOMPARE(form->Logic().StartInitTag(), 1);
    }

    void firstStartWithoutAnOpenPortSaysSoAndTheSecondStartsPolling() {
        Watchdog watchdog(std::chrono::seconds(60), "first start");
        Desk desk;
        std::unique_ptr<QtMainForm> form(desk.OpenMainForm());
        QString shown;
        WhenDialogShown([&](TMessageForm* dialog) {
            shown = dialog->Message->text();
            PressKey(dialog, Qt::Key_Return);
        });
        // The button is disabled until a scan found a reader; the handler itself
        // must still cope.
        form->Logic().btnStartInitClick();
        QCOMPARE(shown, QStringLiteral("打开串口失败"));
        QCOMPARE(form->btnStartInit->text(), QStringLiteral("开始初始化"));
        QCOMPARE(form->Logic().StartInitTag(), 0);
        QVERIFY(form->Logic().CardWatcher);

        form->Logic().btnStartInitClick();
        QVERIFY(ShownDialogs().isEmpty());
        QCOMPARE(form->Logic().StartInitTag(), 1);
        QTest::qWait(300);
        QVERIFY(desk.Reader().Exchanges().empty());  // nothing is sent without a connection
        form->Logic().btnStartInitClick();
        QCOMPARE(form->Logic().StartInitTag(), 0);
    }

    void cardLaidWhileRunningIsFormattedOnce() {
        Watchdog watchdog(std::chrono::seconds(60), "formatted once");
        Desk desk;
        auto form = Running(desk);
        desk.Reader().PlaceCard(sim::MifareCard(kFresh));
        QVERIFY(Eventually([&] { return desk.Reader().SignalModes().size() >= 2; }));
        QTest::qWait(500);  // the card stays on the reader
        QCOMPARE(desk.Reader().SignalModes(), (std::vector<std::uint8_t>{2, 3}));
        QVERIFY(ShownDialogs().isEmpty());
        QCOMPARE(form->Logic().LastOutcome(), InitOutcome::Ok);
        const auto card = desk.Reader().CardBySerial(kFresh);
        QVERIFY(card);
        for (int sector : {5, 6}) {
            QVERIFY(card->KeyA(sector) == harness::InstallKeyFor(sector));
            QVERIFY((card->Access(sector) == sim::AccessBytes{0xFF, 0x07, 0x80, 0x69}));
        }
    }

    // Three cards leave three lines in this month's journal, in the user's state
    // folder; the window shows nothing of it.
    void threeCardsLeaveThreeJournalLines() {
        Watchdog watchdog(std::chrono::seconds(60), "journal");
        Desk desk;
        auto form = Running(desk);
        for (std::uint32_t serial : {kFresh, kFresh + 16, kFresh + 32}) {
            const std::size_t signalled = desk.Reader().SignalModes().size();
            desk.Reader().PlaceCard(sim::MifareCard(serial));
            QVERIFY(Eventually([&] { return desk.Reader().SignalModes().size() >= signalled + 2; }));
            desk.Reader().RemoveCard();
        }
        const QStringList files = QDir(desk.JournalFolder()).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        QVERIFY(QRegularExpression("^cardfmt-\\d{4}-\\d{2}\\.csv$").match(files[0]).hasMatch());
        QList<QByteArray> lines;
        QVERIFY(Eventually([&] {
            QFile file(desk.JournalFolder() + "/" + files[0]);
            if (!file.open(QIODevice::ReadOnly)) return false;
            lines = file.readAll().split('\n');
            return lines.size() >= 5;  // the header, three cards, nothing after the last line end
        }));
        QCOMPARE(lines.size(), 5);
        QVERIFY(lines[0].startsWith("\xEF\xBB\xBFtime,serial,outcome"));
        for (int i = 1; i <= 3; ++i) QVERIFY2(lines[i].contains(",ok,,com3,"), lines[i].constData());
        QVERIFY(ShownDialogs().isEmpty());
    }

    // The watcher reports the card it selected; the run stops when, after sector 5,
    // another card answers in its place.
    void cardSwappedDuringItsRunIsNotReportedFormatted() {
        Watchdog watchdog(std::chrono::seconds(60), "card swapped");
        Desk desk;
        auto form = Running(desk);
        // Right after a poll of the empty reader the next one is 100 ms away: lay the
        // card and arm the swap then, so the count starts with that next poll.
        const std::size_t polls = desk.Reader().Exchanges().size();
        QVERIFY(desk.Reader().WaitForExchanges(polls + 1, std::chrono::seconds(10)));
        desk.Reader().PlaceCard(sim::MifareCard(kFresh));
        desk.Reader().SwapCardAfterRequests(4, InitializedCard(kDone));  // request, serial, sector 5 opened and written
        QVERIFY(Eventually([] { return !ShownDialogs().isEmpty(); }));
        QCOMPARE(ShownDialogs().first()->Message->text(), QStringLiteral("卡片已更换，初始化中止。"));
        QVERIFY(desk.Reader().SignalModes().empty());
        QVERIFY(desk.Reader().CardBySerial(kFresh)->KeyA(6) == sim::kTransportKey);
        QVERIFY(desk.Reader().CardBySerial(kDone)->Trailer(6) == InitializedCard(kDone).Trailer(6));
        desk.Reader().RemoveCard();  // while the run waits: no further card for the watcher
        PressKey(ShownDialogs().first(), Qt::Key_Return);
        QVERIFY(Eventually([] { return ShownDialogs().isEmpty(); }));
        QVERIFY(Eventually([&] { return form->Logic().LastOutcome() == InitOutcome::CardSwapped; }));
    }

    void messageCardShowsOneDialogWhileTheWatcherWaits() {
        Watchdog watchdog(std::chrono::seconds(60), "message card");
        Desk desk;
        auto form = Running(desk);
        desk.Reader().PlaceCard(InitializedCard(kDone));
        QVERIFY(Eventually([] { return !ShownDialogs().isEmpty(); }));
        TMessageForm* dialog = ShownDialogs().first();
        QCOMPARE(dialog->Message->text(), QStringLiteral("该卡已初始化。"));
        QVERIFY(dialog->thread() == QApplication::instance()->thread());
        // A dialog of the main window stays above it, whichever program is in front.
        QCOMPARE(dialog->parentWidget(), form.get());

        // The watcher sends nothing until the operator has confirmed.
        const std::size_t before = desk.Reader().Exchanges().size();
        QTest::qWait(500);
        QCOMPARE(desk.Reader().Exchanges().size(), before);
        QCOMPARE(ShownDialogs().size(), 1);

        PressKey(dialog, Qt::Key_Return);
        QVERIFY(Eventually([] { return ShownDialogs().isEmpty(); }));
        QVERIFY(desk.Reader().WaitForExchanges(before + 2, std::chrono::seconds(10)));
        // The card stays: no second dialog for it.
        QTest::qWait(500);
        QVERIFY(ShownDialogs().isEmpty());
        QCOMPARE(form->Logic().LastOutcome(), InitOutcome::AlreadyInitialized);
    }

    void stopWhileAMessageIsPendingWaitsForItsConfirmation() {
        Watchdog watchdog(std::chrono::seconds(60), "stop with message pending");
        Desk desk;
        auto form = Running(desk);
        desk.Reader().PlaceCard(InitializedCard(kDone));
        QVERIFY(Eventually([] { return !ShownDialogs().isEmpty(); }));
        TMessageForm* dialog = ShownDialogs().first();

        // The operator confirms while the stop is waiting for the watcher.
        bool stillRunningWhenConfirmed = false;
        QTimer::singleShot(300, dialog, [&, dialog] {
            stillRunningWhenConfirmed = !form->Logic().CardWatcher->Idle.load();
            dialog->done(mrOK);
        });
        form->Logic().btnStartInitClick();
        QVERIFY(stillRunningWhenConfirmed);
        QCOMPARE(form->Logic().StartInitTag(), 0);
        QCOMPARE(form->btnStartInit->text(), QStringLiteral("开始初始化"));
        QVERIFY(form->Logic().CardWatcher->Idle.load());
        QVERIFY(Eventually([] { return ShownDialogs().isEmpty(); }));
    }

    void unpluggedReaderIsWaitedForAndAutomaticInitializationCarriesOn() {
        Watchdog watchdog(std::chrono::seconds(60), "unplugged reader");
        Desk desk;
        auto form = Running(desk);
        QVERIFY(desk.Reader().WaitForExchanges(2, std::chrono::seconds(10)));
        desk.Reader().Hangup();
        QVERIFY(Eventually([&] { return form->lblComStatTips->text() == QStringLiteral("com3已断开..."); }));
        QVERIFY(ShownDialogs().isEmpty());
        QCOMPARE(form->btnStartInit->text(), QStringLiteral("停止初始化"));
        QVERIFY(form->btnStartInit->isEnabled());
        QVERIFY(form->btnStopComm->isEnabled());

        desk.Reader().ClearExchanges();
        QVERIFY(desk.Reader().Reappear());
        QVERIFY(Eventually([&] { return form->lblComStatTips->text() == QStringLiteral("com3已打开..."); }));
        desk.Reader().PlaceCard(sim::MifareCard(kFresh));
        QVERIFY(Eventually([&] { return desk.Reader().SignalModes().size() >= 2; }));
        QCOMPARE(desk.Reader().SignalModes(), (std::vector<std::uint8_t>{2, 3}));
        QCOMPARE(form->Logic().StartInitTag(), 1);
    }

    void closingThePortWhileRunningStopsInitializationFirst() {
        Watchdog watchdog(std::chrono::seconds(60), "close port running");
        Desk desk;
        auto form = Running(desk);
        QVERIFY(desk.Reader().WaitForExchanges(2, std::chrono::seconds(10)));
        QTest::mouseClick(form->btnStopComm, Qt::LeftButton);
        QCOMPARE(form->Logic().StartInitTag(), 0);
        QCOMPARE(form->btnStartInit->text(), QStringLiteral("开始初始化"));
        QVERIFY(!form->btnStartInit->isEnabled());
        QVERIFY(form->Logic().CardWatcher->Idle.load());
        QCOMPARE(form->lblComStatTips->text(), QStringLiteral("串口已关闭"));
        // The watcher had stopped before the port closed: signal 0 is the last request.
        const auto exchanges = desk.Reader().Exchanges();
        QVERIFY(!exchanges.empty());
        QCOMPARE(HexDump(exchanges.back().request.data(), 2), std::string("38,00"));
    }

    void closingTheWindowWhileRunningStopsAndFreesEverything() {
        Watchdog watchdog(std::chrono::seconds(60), "close window running");
        Desk desk;
        QPointer<QWidget> form = Running(desk).release();
        QVERIFY(desk.Reader().WaitForExchanges(2, std::chrono::seconds(10)));
        form->close();
        QVERIFY(WaitUntilDeleted(form));
        QCOMPARE(HexDump(desk.Reader().Exchanges().back().request.data(), 2), std::string("38,00"));
        QVERIFY(platform::OpenSerialPort(desk.Reader().SlavePath()).port);
    }
};

int RunMainFormTests(int argc, char** argv) {
    MainFormTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "MainFormTests.moc"
