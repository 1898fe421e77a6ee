// What the buttons answer, that Enter and Esc press the buttons the model
// names, and the process-wide button width table.
#include "MsgBoxTestSupport.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace harness;

namespace {

using Dialog = std::unique_ptr<TMessageForm>;

struct ButtonRow {
    int bit;
    const char* name;
    QString caption;
    int result;
};

// The button table as the operators know it.
const ButtonRow kTable[] = {
    {0, "Yes", QStringLiteral("是"), 6},        {1, "No", QStringLiteral("否"), 7},
    {2, "OK", QStringLiteral("确认"), 1},       {3, "Abort", QStringLiteral("终止"), 3},
    {4, "Replace", QStringLiteral("覆盖"), 11}, {5, "Ingore", QStringLiteral("忽略"), 5},
    {6, "Cancel", QStringLiteral("取消"), 2},   {7, "Retry", QStringLiteral("重试"), 4},
};

QPushButton* Button(const TMessageForm& form, const QString& name) {
    return form.findChild<QPushButton*>(name, Qt::FindDirectChildrenOnly);
}

// Shows the dialog window-modally without blocking and waits until it has the
// keyboard, as the operator would see it.
bool OpenAndActivate(TMessageForm& form) {
    form.open();
    form.activateWindow();
    return QTest::qWaitForWindowActive(&form);
}

}  // namespace

class ButtonTests : public QObject {
    Q_OBJECT
private slots:
    void eachButtonAnswersItsResult_data() {
        QTest::addColumn<int>("bit");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("result");
        for (const ButtonRow& row : kTable)
            QTest::newRow(row.name) << row.bit << QString::fromLatin1(row.name) << row.caption << row.result;
    }
    void eachButtonAnswersItsResult() {
        QFETCH(int, bit);
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(int, result);
        // Among all the others, so a button cannot answer for its neighbour.
        const Dialog form(BuildMessageDialog(QStringLiteral("选择"), mkConfirmation, 0xFF));
        QPushButton* button = Button(*form, name);
        QVERIFY(button);
        QCOMPARE(button->text(), caption);
        QCOMPARE(form->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly).indexOf(button), bit);
        QSignalSpy finished(form.get(), &QDialog::finished);
        form->open();
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), result);
        QCOMPARE(form->result(), result);
        QVERIFY(!form->isVisible());
    }

    void closingTheFrameAnswersCancel_data() {
        QTest::addColumn<int>("buttons");
        QTest::newRow("ok") << int(mbOK);
        QTest::newRow("yes no") << int(mbYes | mbNo);
        QTest::newRow("abort retry ignore") << int(mbAbort | mbRetry | mbIgnore);
        QTest::newRow("none") << 0;
    }
    void closingTheFrameAnswersCancel() {
        QFETCH(int, buttons);
        const Dialog form(BuildMessageDialog(QStringLiteral("关闭"), mkWarning, MessageButtons(buttons)));
        form->open();
        QVERIFY(form->close());
        QCOMPARE(form->result(), 2);
    }

    void enterAndEscPressTheRightButtons_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("defaultButton");  // empty: none designated
        QTest::addColumn<int>("escResult");          // -1: Esc leaves the dialog open
        // Which button each key presses is the model's rule (MsgBoxModelTests);
        // here: that the face hands the keys to it and presses what it says.
        QTest::newRow("yes no") << int(mbYes | mbNo) << "Yes" << 7;
        QTest::newRow("abort ignore") << int(mbAbort | mbIgnore) << "" << -1;
    }
    void enterAndEscPressTheRightButtons() {
        QFETCH(int, buttons);
        QFETCH(QString, defaultButton);
        QFETCH(int, escResult);
        const QString text = QStringLiteral("按键");

        const Dialog forEsc(BuildMessageDialog(text, mkConfirmation, MessageButtons(buttons)));
        for (QPushButton* button : forEsc->findChildren<QPushButton*>())
            QCOMPARE(button->isDefault(), button->objectName() == defaultButton);
        QVERIFY(OpenAndActivate(*forEsc));
        PressKey(forEsc.get(), Qt::Key_Escape);
        if (escResult < 0) {
            QVERIFY(forEsc->isVisible());
            QCOMPARE(forEsc->result(), 0);
            forEsc->done(mrNone);
        } else {
            QVERIFY(!forEsc->isVisible());
            QCOMPARE(forEsc->result(), escResult);
        }

        if (defaultButton.isEmpty()) return;
        const Dialog forEnter(BuildMessageDialog(text, mkConfirmation, MessageButtons(buttons)));
        QVERIFY(OpenAndActivate(*forEnter));
        QCOMPARE(QApplication::focusWidget(), Button(*forEnter, defaultButton));
        int expected = -1;
        for (const ButtonRow& row : kTable)
            if (defaultButton == QLatin1String(row.name)) expected = row.result;
        PressKey(forEnter.get(), Qt::Key_Return);
        QVERIFY(!forEnter->isVisible());
        QCOMPARE(forEnter->result(), expected);
    }

    void enterOnTheDialogItselfPressesTheDefault() {
        const Dialog form(BuildMessageDialog(QStringLiteral("确定吗"), mkConfirmation, mbYes | mbNo));
        QVERIFY(OpenAndActivate(*form));
        QTest::keyClick(form.get(), Qt::Key_Enter);
        QCOMPARE(form->result(), 6);
    }

    void widthTableIsMeasuredOnceAndReused() {
        auto& widths = ButtonWidthCache();
        const auto saved = widths;
        const int retry = 7;

        widths[retry] = 0;
        const Dialog first(BuildMessageDialog(QStringLiteral("测量"), mkWarning, mbRetry | mbCancel));
        const QFontMetrics fm(first->font());
        const int measured = fm.boundingRect(QRect(), Qt::TextSingleLine, QStringLiteral("重试")).width() + 8;
        QCOMPARE(widths[retry], measured);
        QVERIFY(widths[6] > 0);  // Cancel was measured too

        // A later dialog must take the stored width, not measure again: a
        // stored width wider than the minimum widens every button of it.
        const int planted = Expect(first->font(), QString(), true, {}).minButtonWidth + 37;
        widths[retry] = planted;
        const Dialog second(BuildMessageDialog(QStringLiteral("复用"), mkWarning, mbRetry | mbCancel));
        QCOMPARE(widths[retry], planted);
        for (const QPushButton* button : second->findChildren<QPushButton*>()) QCOMPARE(button->width(), planted);

        // Dialogs without that button are not affected by it.
        const Dialog third(BuildMessageDialog(QStringLiteral("无关"), mkWarning, mbCancel));
        QVERIFY(third->findChildren<QPushButton*>().at(0)->width() < planted);

        widths = saved;
        if (widths[retry] == 0) widths[retry] = measured;
    }

    void filledWidthsAreMeasuredCaptions() {
        // Whatever the earlier groups showed, every entry is 0 or the caption
        // of its own bit measured in the dialog font plus the padding.
        const auto& widths = ButtonWidthCache();
        const Dialog probe(BuildMessageDialog(QStringLiteral("探测"), mkWarning, 0));
        const QFontMetrics fm(probe->font());
        const QString captions[] = {QStringLiteral("是"),   QStringLiteral("否"),   QStringLiteral("确认"),
                                    QStringLiteral("终止"), QStringLiteral("覆盖"), QStringLiteral("忽略"),
                                    QStringLiteral("取消"), QStringLiteral("重试")};
        for (int bit = 0; bit < 8; ++bit)
            if (widths[bit] != 0)
                QCOMPARE(widths[bit], fm.boundingRect(QRect(), Qt::TextSingleLine, captions[bit]).width() + 8);
    }
};

int RunButtonTests(int argc, char** argv) {
    ButtonTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "ButtonTests.moc"
