// ShowInfo and ShowMessageDialog as callers use them: modal, from the GUI
// thread or from a worker, plus pictures of the dialogs for a visual check.
#include "MsgBoxTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <atomic>
#include <memory>

using namespace harness;

namespace {

struct Seen {
    QString title;
    QString text;
    bool hasIcon = false;
    QStringList buttons;
    QPoint framePos;
    QSize frameSize;
    bool onGuiThread = false;
};

Seen Look(const TMessageForm& form) {
    Seen seen;
    seen.title = form.windowTitle();
    seen.text = form.Message->text();
    seen.hasIcon = form.findChild<QLabel*>(QStringLiteral("Image")) != nullptr;
    for (const QPushButton* button : form.findChildren<QPushButton*>())
        seen.buttons << button->objectName() + QLatin1Char(':') + button->text();
    seen.framePos = form.frameGeometry().topLeft();
    seen.frameSize = form.frameGeometry().size();
    seen.onGuiThread = form.thread() == QCoreApplication::instance()->thread();
    return seen;
}

QString PicturePath(const char* name) {
    return QDir(QStringLiteral(CARDFMT_UI_PICTURE_DIR)).filePath(QString::fromLatin1(name));
}

}  // namespace

class ShowInfoTests : public QObject {
    Q_OBJECT
private slots:
    void showInfoConfirmsWithEnterOrEsc_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("enter") << int(Qt::Key_Return);
        QTest::newRow("esc") << int(Qt::Key_Escape);
    }
    void showInfoConfirmsWithEnterOrEsc() {
        QFETCH(int, key);
        Seen seen;
        WhenDialogShown([&](TMessageForm* form) {
            seen = Look(*form);
            PressKey(form, Qt::Key(key));
        });
        QCOMPARE(ShowInfo(QStringLiteral("请放置IC卡")), 1);
        QCOMPARE(seen.title, QStringLiteral("提示"));
        QCOMPARE(seen.text, QStringLiteral("请放置IC卡"));
        QVERIFY(seen.hasIcon);
        QCOMPARE(seen.buttons, QStringList{QStringLiteral("OK:确认")});
    }

    void shownDialogIsCentredWithItsFrame() {
        Seen seen;
        WhenDialogShown([&](TMessageForm* form) {
            seen = Look(*form);
            form->done(mrOK);
        });
        ShowInfo(QStringLiteral("居中显示"));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(seen.framePos, QPoint(screen.x() + screen.width() / 2 - seen.frameSize.width() / 2,
                                       screen.y() + screen.height() / 2 - seen.frameSize.height() / 2));
    }

    void captionReplacesTheTitle() {
        Seen seen;
        WhenDialogShown([&](TMessageForm* form) {
            seen = Look(*form);
            QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("No")), Qt::LeftButton);
        });
        QCOMPARE(ShowMessageDialog(QStringLiteral("格式化这张卡吗？"), QStringLiteral("格式化"), mbYes | mbNo,
                                   mkConfirmation),
                 7);
        QCOMPARE(seen.title, QStringLiteral("格式化"));
        QCOMPARE(seen.buttons, (QStringList{QStringLiteral("Yes:是"), QStringLiteral("No:否")}));
    }

    // The dialog runs in a nested event loop on this (the GUI) thread, so it is
    // answered from a poller, like the operator would, while the loop runs.
    void workerWaitsUntilTheOperatorConfirms() {
        std::atomic<bool> returned{false};
        std::atomic<int> result{-1};
        Seen seen;
        bool waitedWhileShown = false;
        WhenDialogShown([&](TMessageForm* form) {
            seen = Look(*form);
            QTest::qWait(300);
            waitedWhileShown = !returned && form->isVisible();
            PressKey(form, Qt::Key_Return);
        });
        Worker worker([&] {
            result = ShowInfo(QStringLiteral("后台任务完成"));
            returned = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(returned, 20000);
        QVERIFY(seen.onGuiThread);
        QCOMPARE(seen.title, QStringLiteral("提示"));
        QCOMPARE(seen.text, QStringLiteral("后台任务完成"));
        QCOMPARE(seen.buttons, QStringList{QStringLiteral("OK:确认")});
        QVERIFY(waitedWhileShown);
        QCOMPARE(result.load(), 1);
        QVERIFY(worker.waitUntilFinished(10000));
    }

    void utf8CallerFromAWorker() {
        std::atomic<bool> returned{false};
        QString shownText;
        bool onGuiThread = false;
        bool returnedBeforeAnswer = true;
        WhenDialogShown([&](TMessageForm* form) {
            shownText = form->Message->text();
            returnedBeforeAnswer = returned;
            onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
            QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("OK")), Qt::LeftButton);
        });
        Worker worker([&] {
            ShowInfoUtf8(std::string("卡片已格式化"));
            returned = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(returned, 20000);
        QVERIFY(onGuiThread);
        QVERIFY(!returnedBeforeAnswer);
        QCOMPARE(shownText, QStringLiteral("卡片已格式化"));
    }

    void picturesOfTheDialogs_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<bool>("rightToLeft");
        QTest::newRow("info") << "msgbox_info.png" << QStringLiteral("请放置IC卡，然后点击“确认”开始格式化。")
                              << int(mkInformation) << int(mbOK) << false;
        QString longText;
        for (int i = 0; i < 12; ++i) longText += QStringLiteral("读卡器未响应，请检查串口连接。");
        QTest::newRow("warning") << "msgbox_warning.png" << longText << int(mkWarning)
                                 << int(mbAbort | mbRetry | mbIgnore) << false;
        QTest::newRow("question") << "msgbox_question.png"
                                  << QStringLiteral("卡号:\t00012345\n余额:\t12.50 元\n\n覆盖这张卡的数据吗？")
                                  << int(mkConfirmation) << int(mbYes | mbNo | mbCancel) << false;
        QTest::newRow("right to left") << "msgbox_rtl.png" << QStringLiteral("从右到左排列的界面") << int(mkError)
                                       << int(mbOK | mbCancel) << true;
    }
    void picturesOfTheDialogs() {
        QFETCH(QString, file);
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(int, buttons);
        QFETCH(bool, rightToLeft);
        const ScopedLayoutDirection direction(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
        const std::unique_ptr<TMessageForm> form(BuildMessageDialog(text, MessageKind(kind), MessageButtons(buttons)));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        const QString path = PicturePath(file.toLatin1().constData());
        QVERIFY2(form->grab().save(path), qPrintable(path));
        qInfo("picture: %s", qPrintable(path));
    }
};

int RunShowInfoTests(int argc, char** argv) {
    ShowInfoTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "ShowInfoTests.moc"
