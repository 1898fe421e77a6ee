#include "ui/BasicFrm.h"

#include "ui/qt/MsgBox.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

namespace {

constexpr const char* kUiFace = "宋体";

// Where 宋体 is not installed, the first of these that is stands in for it.
void InstallFaceSubstitutes() {
    static bool done = false;
    if (done) return;
    done = true;
    const QStringList substitutes{"SimSun", "NSimSun", "Noto Serif CJK SC", "Noto Sans CJK SC", "WenQuanYi Zen Hei",
                                  "WenQuanYi Micro Hei", "Source Han Sans SC", "Microsoft YaHei"};
    QStringList installed;
    const QStringList families = QFontDatabase::families();
    for (const QString& face : substitutes)
        if (families.contains(face, Qt::CaseInsensitive)) installed << face;
    if (!installed.isEmpty()) QFont::insertSubstitutions(kUiFace, installed);
}

}  // namespace

FormatSettings& ProcessFormatSettings() {
    static FormatSettings settings;
    return settings;
}

QFont ChineseUiFont(int pointSize) {
    InstallFaceSubstitutes();
    QFont font(kUiFace);
    font.setPointSize(pointSize);
    font.setStyleHint(QFont::Serif);
    return font;
}

QFont ChineseUiFontPx(int pixelHeight, bool bold) {
    QFont font = ChineseUiFont();
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

TBasicForm::TBasicForm(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setBackgroundRole(QPalette::Button);  // the system button-face colour
    setAutoFillBackground(true);
}

void TBasicForm::FormCreate(QObject*) { InitOnCreate(); }

void TBasicForm::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ShowMessageDialog(QString::fromUtf8(e.what()), QString(), mbOK, mkError);
    }
}

void TBasicForm::FormShow(QObject*) { InitOnShow(); }

void TBasicForm::FormClose(QObject*, QCloseEvent*) { setAttribute(Qt::WA_DeleteOnClose, true); }

void TBasicForm::InitOnShow() {}

void TBasicForm::InitOnCreate() {
    FormatSettings& formats = ProcessFormatSettings();
    formats = FormatSettings{};
    setFont(ChineseUiFont(9));
}

void TBasicForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    if (!centred_) {
        centred_ = true;
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect desk = screen->availableGeometry();
            const QRect frame = frameGeometry();
            move(desk.left() + (desk.width() - frame.width()) / 2, desk.top() + (desk.height() - frame.height()) / 2);
        }
    }
    FormShow(this);
}

void TBasicForm::closeEvent(QCloseEvent* event) {
    FormClose(this, event);
    if (!event->isAccepted()) setAttribute(Qt::WA_DeleteOnClose, false);
}
