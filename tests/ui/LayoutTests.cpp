// Geometry of built (not shown) dialogs against the layout rules worked out
// from the dialog font in MsgBoxTestSupport.
#include "MsgBoxTestSupport.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>

#include <memory>

using namespace harness;

namespace {

using Dialog = std::unique_ptr<TMessageForm>;

Dialog Build(const QString& text, MessageKind kind, MessageButtons buttons) {
    return Dialog(BuildMessageDialog(text, kind, buttons));
}

QList<QPushButton*> Buttons(const TMessageForm& form) {
    return form.findChildren<QPushButton*>(Qt::FindDirectChildrenOnly);
}

QLabel* Image(const TMessageForm& form) {
    return form.findChild<QLabel*>(QStringLiteral("Image"), Qt::FindDirectChildrenOnly);
}

// The label draws its text in its own box; all of it must fit there.
void VerifyWholeTextVisible(const TMessageForm& form) {
    const QLabel* label = form.Message;
    QVERIFY2(
        label->heightForWidth(label->width()) <= label->height(),
        qPrintable(
            QStringLiteral("needs %1 px, has %2 px").arg(label->heightForWidth(label->width())).arg(label->height())));
}

void VerifyClientSize(const TMessageForm& form, const ExpectedLayout& e) {
    QCOMPARE(form.size(), QSize(e.clientWidth, e.clientHeight));
    QCOMPARE(form.minimumSize(), form.size());
    QCOMPARE(form.maximumSize(), form.size());
}

void VerifyButtonRow(const TMessageForm& form, const ExpectedLayout& e) {
    int x = (e.clientWidth - e.groupWidth) / 2;
    const int y = e.iconTextHeight + e.marginY + e.spacingY;
    for (const QPushButton* button : Buttons(form)) {
        QCOMPARE(button->geometry(), QRect(x, y, e.buttonWidth, e.buttonHeight));
        x += e.buttonWidth + e.buttonSpacing;
    }
}

const QString kOneLine = QStringLiteral("一个稍微长一点的单行提示信息，超过按钮的宽度");

}  // namespace

class LayoutTests : public QObject {
    Q_OBJECT
private slots:
    void usesTheMessageFontThroughout() {
        const Dialog form = Build(QStringLiteral("字体"), mkInformation, mbOK);
        QCOMPARE(form->font(), QApplication::font("QMessageBox"));
        QCOMPARE(form->Message->font(), form->font());
        QCOMPARE(Buttons(*form).at(0)->font(), form->font());
    }

    void frameCannotBeResizedAndHasNoHelpButton() {
        const Dialog form = Build(QStringLiteral("固定"), mkWarning, mbOK | mbCancel);
        QCOMPARE(form->minimumSize(), form->maximumSize());
        const Qt::WindowFlags flags = form->windowFlags();
        QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(flags & Qt::WindowCloseButtonHint);
    }

    void widthIsTheWiderOfTextAndButtons_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("buttonsWider");
        QTest::newRow("one word") << QStringLiteral("好") << true;
        QTest::newRow("one line") << kOneLine << false;
    }
    void widthIsTheWiderOfTextAndButtons() {
        QFETCH(QString, text);
        QFETCH(bool, buttonsWider);
        const Dialog form = Build(text, mkInformation, mbOK);
        const ExpectedLayout e = Expect(form->font(), text, true, {QStringLiteral("确认")});
        // Each row must exercise its side of the rule.
        QCOMPARE(e.groupWidth > e.iconTextWidth, buttonsWider);
        QVERIFY(e.buttonWidth >= e.minButtonWidth);
        VerifyClientSize(*form, e);
        QCOMPARE(Image(*form)->geometry(), QRect(e.marginX, e.marginY, 32, 32));
        QCOMPARE(form->Message->geometry(), QRect(e.marginX + 32 + e.spacingX, e.marginY, e.textWidth, e.textHeight));
        VerifyButtonRow(*form, e);
        VerifyWholeTextVisible(*form);
    }

    void iconAreaIsAtLeastTheIconHigh_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("one line") << QStringLiteral("单行");
        QTest::newRow("four lines") << QStringLiteral("第一行\n第二行\n第三行\n第四行");
    }
    void iconAreaIsAtLeastTheIconHigh() {
        QFETCH(QString, text);
        const Dialog form = Build(text, mkError, mbOK);
        const ExpectedLayout e = Expect(form->font(), text, true, {QStringLiteral("确认")});
        QCOMPARE(e.iconTextHeight, qMax(32, e.textHeight));
        VerifyClientSize(*form, e);
        QCOMPARE(Image(*form)->geometry(), QRect(e.marginX, e.marginY, 32, 32));
        QCOMPARE(form->Message->height(), e.textHeight);
        // The buttons sit below whichever is taller, the icon or the text.
        QCOMPARE(Buttons(*form).at(0)->y(), e.iconTextHeight + e.marginY + e.spacingY);
        QVERIFY(Buttons(*form).at(0)->y() >= form->Message->geometry().bottom());
        QVERIFY(Buttons(*form).at(0)->y() >= Image(*form)->geometry().bottom());
        VerifyWholeTextVisible(*form);
    }

    void noButtonsStillReservesTheButtonRow() {
        const QString text = QStringLiteral("正在处理，请稍候");
        const Dialog form = Build(text, mkInformation, 0);
        QVERIFY(Buttons(*form).isEmpty());
        const ExpectedLayout e = Expect(form->font(), text, true, {});
        QCOMPARE(e.groupWidth, 0);
        VerifyClientSize(*form, e);
        QCOMPARE(form->height(), e.iconTextHeight + e.buttonHeight + e.spacingY + 2 * e.marginY);
    }

    void customKindShowsTheApplicationNameAndNoIcon() {
        const QString saved = QGuiApplication::applicationDisplayName();
        QGuiApplication::setApplicationDisplayName(QStringLiteral("发卡格式机"));
        const QString text = QStringLiteral("没有图标的消息");
        const Dialog form = Build(text, mkCustom, mbOK);
        QGuiApplication::setApplicationDisplayName(saved);

        QCOMPARE(form->windowTitle(), QStringLiteral("发卡格式机"));
        QVERIFY(Image(*form) == nullptr);
        const ExpectedLayout e = Expect(form->font(), text, false, {QStringLiteral("确认")});
        VerifyClientSize(*form, e);
        QCOMPARE(form->Message->geometry(),
                 QRect(e.iconTextWidth - e.textWidth + e.marginX, e.marginY, e.textWidth, e.textHeight));
        VerifyButtonRow(*form, e);
    }

    void eachKindHasItsTitleAndIcon_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        QTest::newRow("warning") << int(mkWarning) << QStringLiteral("警告") << int(QStyle::SP_MessageBoxWarning);
        QTest::newRow("error") << int(mkError) << QStringLiteral("错误") << int(QStyle::SP_MessageBoxCritical);
        QTest::newRow("information") << int(mkInformation) << QStringLiteral("提示")
                                     << int(QStyle::SP_MessageBoxInformation);
        QTest::newRow("confirmation") << int(mkConfirmation) << QStringLiteral("确认")
                                      << int(QStyle::SP_MessageBoxQuestion);
    }
    void eachKindHasItsTitleAndIcon() {
        QFETCH(int, kind);
        QFETCH(QString, title);
        QFETCH(int, icon);
        const Dialog form = Build(QStringLiteral("图标"), MessageKind(kind), mbOK);
        QCOMPARE(form->windowTitle(), title);
        QLabel* image = Image(*form);
        QVERIFY(image);
        const QImage expected = form->style()
                                    ->standardIcon(QStyle::StandardPixmap(icon), nullptr, form.get())
                                    .pixmap(QSize(32, 32), form->devicePixelRatioF())
                                    .toImage();
        QVERIFY(!expected.isNull());
        QCOMPARE(image->pixmap().toImage(), expected);
    }

    void longMessageWrapsWithinHalfTheScreen() {
        QString text;
        for (int i = 0; i < 30; ++i) text += QStringLiteral("读卡器未响应，请检查串口连接后重试。");
        const Dialog form = Build(text, mkWarning, mbRetry | mbCancel);
        const ExpectedLayout e = Expect(form->font(), text, true, {QStringLiteral("取消"), QStringLiteral("重试")});
        const QFontMetrics fm(form->font());
        QVERIFY(fm.horizontalAdvance(text) > HalfScreenWidth());  // the text needs wrapping at all
        QVERIFY(form->Message->width() <= HalfScreenWidth());
        QVERIFY(form->Message->height() >= 3 * fm.height());
        QCOMPARE(form->Message->size(), QSize(e.textWidth, e.textHeight));
        VerifyClientSize(*form, e);
        VerifyWholeTextVisible(*form);
    }

    void tabsAndLineBreaksFitTheLabel() {
        const QString text = QStringLiteral("卡号:\t0001\n余额:\t12.50 元\n状态:\t正常");
        const Dialog form = Build(text, mkInformation, mbOK);
        const ExpectedLayout e = Expect(form->font(), text, true, {QStringLiteral("确认")});
        QCOMPARE(form->Message->size(), QSize(e.textWidth, e.textHeight));
        VerifyWholeTextVisible(*form);
    }

    void buttonsAreCentredInBitOrder_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("yes no cancel") << int(mbYes | mbNo | mbCancel) << QStringList{"Yes", "No", "Cancel"}
                                       << QStringList{QStringLiteral("是"), QStringLiteral("否"),
                                                      QStringLiteral("取消")};
        QTest::newRow("retry before cancel given in reverse")
            << int(mbRetry | mbCancel) << QStringList{"Cancel", "Retry"}
            << QStringList{QStringLiteral("取消"), QStringLiteral("重试")};
        QTest::newRow("all eight") << 0xFF
                                   << QStringList{"Yes", "No", "OK", "Abort", "Replace", "Ingore", "Cancel", "Retry"}
                                   << QStringList{QStringLiteral("是"),   QStringLiteral("否"),
                                                  QStringLiteral("确认"), QStringLiteral("终止"),
                                                  QStringLiteral("覆盖"), QStringLiteral("忽略"),
                                                  QStringLiteral("取消"), QStringLiteral("重试")};
    }
    void buttonsAreCentredInBitOrder() {
        QFETCH(int, buttons);
        QFETCH(QStringList, names);
        QFETCH(QStringList, captions);
        const QString text = QStringLiteral("按钮");
        const Dialog form = Build(text, mkConfirmation, MessageButtons(buttons));
        const QList<QPushButton*> created = Buttons(*form);
        QCOMPARE(created.size(), names.size());
        for (int i = 0; i < created.size(); ++i) {
            QCOMPARE(created[i]->objectName(), names[i]);
            QCOMPARE(created[i]->text(), captions[i]);
        }
        const ExpectedLayout e = Expect(form->font(), text, true, captions);
        VerifyClientSize(*form, e);
        VerifyButtonRow(*form, e);
        // Centred: equal room left of the first and right of the last button,
        // give or take the pixel lost to integer halving.
        const int left = created.first()->x();
        const int right = form->width() - created.last()->geometry().right() - 1;
        QVERIFY(right - left == 0 || right - left == 1);
    }

    void rightToLeftMirrorsIconAndText() {
        const ScopedLayoutDirection rtl(Qt::RightToLeft);
        const QString text = QStringLiteral("从右到左的界面");
        const Dialog form = Build(text, mkWarning, mbOK);
        QCOMPARE(form->layoutDirection(), Qt::RightToLeft);
        const ExpectedLayout e = Expect(form->font(), text, true, {QStringLiteral("确认")});
        VerifyClientSize(*form, e);
        const int ltrLeft = e.iconTextWidth - e.textWidth + e.marginX;
        QCOMPARE(form->Message->geometry(),
                 QRect(e.clientWidth - ltrLeft - e.textWidth, e.marginY, e.textWidth, e.textHeight));
        QLabel* image = Image(*form);
        QCOMPARE(image->geometry(), QRect(e.clientWidth - e.marginX - 32, e.marginY, 32, 32));
        QVERIFY(!image->geometry().intersects(form->Message->geometry()));
    }

    void centredOnThePrimaryScreen() {
        const Dialog form = Build(QStringLiteral("居中"), mkInformation, mbOK);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QSize outer = form->frameGeometry().size();
        QCOMPARE(form->frameGeometry().topLeft(), QPoint(screen.x() + screen.width() / 2 - outer.width() / 2,
                                                         screen.y() + screen.height() / 2 - outer.height() / 2));
    }

    void markupIsShownAsTyped() {
        const QString text = QStringLiteral("<b>卡号</b> &amp; 密码");
        const Dialog form = Build(text, mkInformation, mbOK);
        QCOMPARE(form->Message->text(), text);
        const ExpectedLayout e = Expect(form->font(), text, true, {QStringLiteral("确认")});
        QCOMPARE(form->Message->size(), QSize(e.textWidth, e.textHeight));
        // Drawn as rich text the tags and the entity would vanish and the ink
        // would end well before the end of the literal text.
        const QImage image = form->grab().toImage();
        const QColor background = form->palette().color(QPalette::Window);
        const QRect box = form->Message->geometry();
        int inkRight = -1;
        for (int x = box.left(); x <= box.right(); ++x)
            for (int y = box.top(); y <= box.bottom(); ++y)
                if (image.pixelColor(x, y) != background) inkRight = x;
        const QFontMetrics fm(form->font());
        QVERIFY(inkRight - box.left() >
                fm.horizontalAdvance(QStringLiteral("卡号 & 密码")) + fm.horizontalAdvance(u'<'));
    }
};

int RunLayoutTests(int argc, char** argv) {
    LayoutTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "LayoutTests.moc"
