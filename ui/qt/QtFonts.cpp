#include "ui/qt/QtFonts.h"

#include "ui/FontStandIns.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

// Where the face is not installed, the first installed stand-in takes its place
// (Qt smooths the outlines, so a stand-in's bitmap twin is not needed here).
void InstallFaceSubstitutes(const QString& face) {
    static QStringList done;
    if (done.contains(face)) return;
    done << face;
    QStringList installed;
    const QStringList families = QFontDatabase::families();
    for (const StandInFace& standIn : kSongTiStandIns)
        if (const QString family = QString::fromUtf8(standIn.family); families.contains(family, Qt::CaseInsensitive))
            installed << family;
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
