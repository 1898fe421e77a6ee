// Ctrl+C copies the dialog as text; no other key combination touches the
// clipboard.
#include "MsgBoxTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <QTimer>

#include <memory>
#include <stdexcept>

using namespace harness;

namespace {

using Dialog = std::unique_ptr<TMessageForm>;

const QString kUntouched = QStringLiteral("剪贴板原有内容");

const QString kShowInfoCopy = QStringLiteral(
    "---------------------------\r\n提示\r\n---------------------------\r\n请放置IC卡\r\n"
    "---------------------------\r\n确认   \r\n---------------------------\r\n");

bool OpenAndActivate(TMessageForm& form) {
    form.open();
    form.activateWindow();
    return QTest::qWaitForWindowActive(&form);
}

}  // namespace

class CopyKeyTests : public QObject {
    Q_OBJECT
private slots:
    void init() { QGuiApplication::clipboard()->setText(kUntouched); }

    void ctrlCInShowInfoCopiesItsText() {
        QString copied;
        bool stillOpenAfterCopy = false;
        WhenDialogShown([&](TMessageForm* form) {
            PressKey(form, Qt::Key_C, Qt::ControlModifier);
            copied = QGuiApplication::clipboard()->text();
            stillOpenAfterCopy = form->isVisible();
            PressKey(form, Qt::Key_Return);
        });
        QCOMPARE(ShowInfo(QStringLiteral("请放置IC卡")), 1);
        QVERIFY(stillOpenAfterCopy);
        QCOMPARE(copied, kShowInfoCopy);
    }

    void otherCombinationsCopyNothing_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("ctrl shift c") << int(Qt::Key_C) << int(Qt::ControlModifier | Qt::ShiftModifier);
        QTest::newRow("ctrl alt c") << int(Qt::Key_C) << int(Qt::ControlModifier | Qt::AltModifier);
        QTest::newRow("c") << int(Qt::Key_C) << int(Qt::NoModifier);
        QTest::newRow("shift c") << int(Qt::Key_C) << int(Qt::ShiftModifier);
        QTest::newRow("ctrl v") << int(Qt::Key_V) << int(Qt::ControlModifier);
        QTest::newRow("ctrl insert") << int(Qt::Key_Insert) << int(Qt::ControlModifier);
    }
    void otherCombinationsCopyNothing() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        const Dialog form(BuildMessageDialog(QStringLiteral("请放置IC卡"), mkInformation, mbOK | mbCancel));
        QVERIFY(OpenAndActivate(*form));
        PressKey(form.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(QGuiApplication::clipboard()->text(), kUntouched);
        QVERIFY(form->isVisible());
        // The same dialog does copy on the real combination.
        PressKey(form.get(), Qt::Key_C, Qt::ControlModifier);
        QVERIFY(QGuiApplication::clipboard()->text() != kUntouched);
    }

    void ctrlCReachesTheDialogWhicheverButtonHasFocus() {
        const Dialog form(BuildMessageDialog(QStringLiteral("焦点"), mkConfirmation, mbYes | mbNo | mbCancel));
        QVERIFY(OpenAndActivate(*form));
        for (QPushButton* button : form->findChildren<QPushButton*>()) {
            QGuiApplication::clipboard()->setText(kUntouched);
            button->setFocus();
            QCOMPARE(QApplication::focusWidget(), button);
            PressKey(form.get(), Qt::Key_C, Qt::ControlModifier);
            QCOMPARE(QGuiApplication::clipboard()->text(), BuildCopyText(*form));
        }
    }

    void dialogWithoutButtonsCopiesAnEmptyButtonLine() {
        const Dialog form(BuildMessageDialog(QStringLiteral("正在写卡"), mkWarning, 0));
        QVERIFY(OpenAndActivate(*form));
        PressKey(form.get(), Qt::Key_C, Qt::ControlModifier);
        const QString divider = QString(27, u'-') + QStringLiteral("\r\n");
        QCOMPARE(QGuiApplication::clipboard()->text(), divider + QStringLiteral("警告\r\n") + divider +
                                                           QStringLiteral("正在写卡\r\n") + divider +
                                                           QStringLiteral("\r\n") + divider);
    }

    void captionsAreCopiedAsShown_data() {
        QTest::addColumn<QString>("yesCaption");
        QTest::addColumn<QString>("noCaption");
        QTest::addColumn<QString>("copied");
        QTest::newRow("mnemonics") << QStringLiteral("是(&Y)") << QStringLiteral("&否")
                                   << QStringLiteral("是(Y)   否   ");
        QTest::newRow("literal ampersand")
            << QStringLiteral("保存&&退出") << QStringLiteral("否&") << QStringLiteral("保存&退出   否   ");
    }
    void captionsAreCopiedAsShown() {
        QFETCH(QString, yesCaption);
        QFETCH(QString, noCaption);
        QFETCH(QString, copied);
        const Dialog form(BuildMessageDialog(QStringLiteral("甲&乙"), mkConfirmation, mbYes | mbNo));
        form->findChild<QPushButton*>(QStringLiteral("Yes"))->setText(yesCaption);
        form->findChild<QPushButton*>(QStringLiteral("No"))->setText(noCaption);
        const QString divider = QString(27, u'-') + QStringLiteral("\r\n");
        // Ampersands in the message are text and stay.
        QCOMPARE(BuildCopyText(*form), divider + QStringLiteral("确认\r\n") + divider + QStringLiteral("甲&乙\r\n") +
                                           divider + copied + QStringLiteral("\r\n") + divider);
    }

    // Another program holds the clipboard: Ctrl+C says so in an error dialog
    // of its own, and the dialog stays open for another try.
    void aHeldClipboardIsReportedAndTheDialogStays() {
        const ClipboardWriter saved =
            SetClipboardWriter([](const QString&) { throw std::runtime_error(kCannotOpenClipboard); });
        QString reportTitle, reportText;
        bool firstStillOpen = false;
        WhenDialogShown([&](TMessageForm* form) {
            // The report runs modally inside the key handler; it is answered
            // from the event loop while PressKey is still under way.
            auto* poll = new QTimer(form);
            QObject::connect(poll, &QTimer::timeout, poll, [&, form, poll] {
                for (QWidget* widget : QApplication::topLevelWidgets()) {
                    auto* report = qobject_cast<TMessageForm*>(widget);
                    if (!report || report == form || !report->isVisible()) continue;
                    poll->stop();
                    reportTitle = report->windowTitle();
                    reportText = report->Message->text();
                    report->done(mrOK);
                }
            });
            poll->start(10);
            PressKey(form, Qt::Key_C, Qt::ControlModifier);
            delete poll;
            firstStillOpen = form->isVisible();
            PressKey(form, Qt::Key_Return);
        });
        QCOMPARE(ShowInfo(QStringLiteral("请放置IC卡")), 1);
        SetClipboardWriter(saved);
        QCOMPARE(reportTitle, QStringLiteral("错误"));
        QCOMPARE(reportText, QStringLiteral("Cannot open clipboard"));
        QVERIFY(firstStillOpen);
        QCOMPARE(QGuiApplication::clipboard()->text(), kUntouched);
    }

    void copyCarriesAReplacedTitle() {
        QString copied;
        WhenDialogShown([&](TMessageForm* form) {
            PressKey(form, Qt::Key_C, Qt::ControlModifier);
            copied = QGuiApplication::clipboard()->text();
            PressKey(form, Qt::Key_Escape);
        });
        QCOMPARE(ShowMessageDialog(QStringLiteral("覆盖已有的卡数据吗？"), QStringLiteral("写卡"), mbReplace | mbCancel,
                                   mkConfirmation),
                 2);
        QVERIFY(copied.startsWith(QString(27, u'-') + QStringLiteral("\r\n写卡\r\n")));
        QVERIFY(copied.contains(QStringLiteral("\r\n覆盖   取消   \r\n")));
    }
};

int RunCopyKeyTests(int argc, char** argv) {
    CopyKeyTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "CopyKeyTests.moc"
