// Runs before the test program creates its QApplication: library code may
// report from a process (or a phase of one) that has no window system.
#include "ui/qt/MsgBox.h"

#include <QCoreApplication>
#include <QTest>

#include <stdexcept>
#include <thread>

class NoApplicationTests : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(QCoreApplication::instance() == nullptr); }

    void widthTableStartsEmpty() {
        for (int width : ButtonWidthCache()) QCOMPARE(width, 0);
    }

    void showInfoPrintsInsteadOfShowing() {
        QCOMPARE(ShowInfo(QStringLiteral("没有窗口时的提示")), int(mrNone));
        ShowInfoUtf8("没有窗口时的提示 (UTF-8)");
        QCOMPARE(ShowMessageDialog(QStringLiteral("确认吗？"), QString(), mbYes | mbNo, mkConfirmation), int(mrNone));
    }

    void showInfoFromAnotherThreadPrintsInsteadOfShowing() {
        int result = -1;
        std::thread worker([&result] { result = ShowInfo(QStringLiteral("后台线程的提示")); });
        worker.join();
        QCOMPARE(result, int(mrNone));
    }

    void copyingWithoutClipboardThrows() {
        try {
            CopyToClipboard(QStringLiteral("文本"));
            QFAIL("copied without a clipboard");
        } catch (const std::runtime_error& error) {
            QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("Cannot open clipboard"));
        }
    }
};

int RunNoApplicationTests(int argc, char** argv) {
    NoApplicationTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "NoApplicationTests.moc"
