#include "ui/qt/QtFonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

// Where the face is not installed, the first of these that is stands in for it.
void InstallFaceSubstitutes(const QString& face) {
    static QStringList done;
    if (done.contains(face)) return;
    done << face;
    const QStringList substitutes{"SimSun",
                                  "NSimSun",
                                  "Noto Serif CJK SC",
                                  "Noto Sans CJK SC",
                                  "WenQuanYi Zen Hei",
                                  "WenQuanYi Micro Hei",
                                  "Source Han Sans SC",
                                  "Microsoft YaHei"};
    QStringList installed;
    const QStringList families = QFontDatabase::families();
    for (const QString& substitute : substitutes)
        if (families.contains(substitute, Qt::CaseInsensitive)) installed << substitute;
    if (!installed.isEmpty()) QFont::insertSubstitutions(face, installed);
}

}  // namespace

QFont QtFontOf(const FormFont& spec) {
    const QString face = QString::fromUtf8(spec.face);
    InstallFaceSubstitutes(face);
    QFont font(face);
    font.setStyleHint(QFont::Serif);
    if (spec.pixelHeight > 0)
        font.setPixelSize(spec.pixelHeight);
    else
        font.setPointSize(spec.pointSize);
    font.setBold(spec.bold);
    return font;
}

QColor QtColourOf(const FormFont& font) {
    if (font.colour == kWindowTextColour) return {};
    return QColor::fromRgb(font.colour);
}
