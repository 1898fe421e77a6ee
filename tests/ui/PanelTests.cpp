// The connection panel through real clicks: the scan against the simulated reader
// linked as com3, the stop, the close of the port and the close of the window.
#include "WindowTestSupport.h"

#include "platform/SerialPort.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace harness;

namespace {

// The three panel buttons, enabled or not, in the order open, stop opening, close.
QString Buttons(const QtMainForm& form) {
    QString marks;
    for (const QPushButton* b : {form.btnOpenComm, form.btnStopOpening, form.btnStopComm})
        marks += b->isEnabled() ? '1' : '0';
    return marks;
}

}  // namespace

class PanelTests : public QObject {
    Q_OBJECT
private slots:
    void scanFindsTheReaderOnTheThirdPort() {
        Watchdog watchdog(std::chrono::seconds(60), "scan");
        Desk desk;
        std::unique_ptr<QtMainForm> form(desk.OpenMainForm());
        QCOMPARE(Buttons(*form), QStringLiteral("100"));
        QCOMPARE(form->lblComStatTips->text(), QStringLiteral("串口状态提示"));
        QVERIFY(!form->btnStartInit->isEnabled());

        LabelRecorder labels(form->lblComStatTips);
        QString duringScan;
        QTimer::singleShot(0, form.get(), [&] { duringScan = Buttons(*form); });
        QTest::mouseClick(form->btnOpenComm, Qt::LeftButton);

        QCOMPARE(labels.Texts(),
                 (QStringList{"正在打开com1...", "正在打开com2...", "正在打开com3...", "com3已打开..."}));
        QCOMPARE(duringScan, QStringLiteral("010"));
        QCOMPARE(Buttons(*form), QStringLiteral("001"));
        QVERIFY(form->Logic().CommOpened);
        QCOMPARE(form->Logic().CommLink->RetryCount.load(), 3);
        QVERIFY(form->btnStartInit->isEnabled());
        QVERIFY(form->btnInitCard->isEnabled());
        QVERIFY(!form->btnInitCard->isVisible());
    }

    void stopEndsTheScanAtTheNextPort() {
        Watchdog watchdog(std::chrono::seconds(60), "stopped scan");
        Desk desk(/*withReader=*/false);
        std::unique_ptr<QtMainForm> form(desk.OpenMainForm());
        LabelRecorder labels(form->lblComStatTips);
        // With no reader the scan goes round com1..com15 until stopped; the click
        // gets through because the scan serves events after each port.
        QTimer::singleShot(100, form.get(), [&] { QTest::mouseClick(form->btnStopOpening, Qt::LeftButton); });
        QTest::mouseClick(form->btnOpenComm, Qt::LeftButton);

        QCOMPARE(form->lblComStatTips->text(), QStringLiteral("用户停止打开"));
        QVERIFY(labels.Texts().contains("正在打开com15..."));
        QCOMPARE(Buttons(*form), QStringLiteral("100"));
        QVERIFY(!form->Logic().CommOpened);
        QVERIFY(!form->btnStartInit->isEnabled());
        QCOMPARE(form->Logic().CommLink->RetryCount.load(), 3);
    }

    void closingThePortLeavesOnlyOpenAndAllowsAnotherScan() {
        Watchdog watchdog(std::chrono::seconds(60), "close port");
        Desk desk;
        std::unique_ptr<QtMainForm> form(desk.OpenMainForm());
        QTest::mouseClick(form->btnOpenComm, Qt::LeftButton);
        QVERIFY(form->Logic().CommOpened);
        desk.Reader().ClearExchanges();

        QTest::mouseClick(form->btnStopComm, Qt::LeftButton);
        QCOMPARE(form->lblComStatTips->text(), QStringLiteral("串口已关闭"));
        QCOMPARE(Buttons(*form), QStringLiteral("100"));
        QVERIFY(!form->Logic().CommOpened);
        QVERIFY(!form->btnStartInit->isEnabled());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(desk.Reader().SignalModes(), std::vector<std::uint8_t>{0});
        // The port is free for others again.
        QVERIFY(platform::OpenSerialPort(desk.Reader().SlavePath()).port);

        QTest::mouseClick(form->btnOpenComm, Qt::LeftButton);
        QCOMPARE(Buttons(*form), QStringLiteral("001"));
        QCOMPARE(form->lblComStatTips->text(), QStringLiteral("com3已打开..."));
    }

    void closingTheWindowWhileConnectedClosesThePortFirst() {
        Watchdog watchdog(std::chrono::seconds(60), "close window connected");
        Desk desk;
        QPointer<QWidget> form = desk.OpenMainForm();
        QTest::mouseClick(static_cast<QtMainForm*>(form.data())->btnOpenComm, Qt::LeftButton);
        desk.Reader().ClearExchanges();
        form->close();
        QVERIFY(WaitUntilDeleted(form));
        QCOMPARE(desk.Reader().SignalModes(), std::vector<std::uint8_t>{0});
        QVERIFY(platform::OpenSerialPort(desk.Reader().SlavePath()).port);
    }

    void closingTheWindowWhileIdleFreesItAtOnce() {
        Desk desk;
        QPointer<QWidget> form = desk.OpenMainForm();
        form->close();
        QVERIFY(WaitUntilDeleted(form));
        QVERIFY(desk.Reader().Exchanges().empty());
    }
};

int RunPanelTests(int argc, char** argv) {
    PanelTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "PanelTests.moc"
