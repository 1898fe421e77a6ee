#include "ui/win32/Fonts.h"

#include <cwchar>

namespace win32ui {
namespace {

constexpr wchar_t kUiFace[] = L"宋体";
// Where 宋体 is missing (a Windows without the Chinese fonts, wine), the first of
// these that is installed stands in for it. WenQuanYi's "Sharp" face carries
// drawn bitmaps for the small sizes, as 宋体 does; its outlines alone lose
// strokes at 12 pixels.
constexpr const wchar_t* kStandIns[] = {L"SimSun",
                                        L"NSimSun",
                                        L"Microsoft YaHei",
                                        L"WenQuanYi Zen Hei Sharp",
                                        L"WenQuanYi Zen Hei",
                                        L"WenQuanYi Micro Hei",
                                        L"Noto Sans CJK SC",
                                        L"Noto Serif CJK SC"};

int CALLBACK FoundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FaceInstalled(const wchar_t* face) {
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(query.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    HDC screen = ::GetDC(nullptr);
    ::EnumFontFamiliesExW(screen, &query, FoundFace, reinterpret_cast<LPARAM>(&found), 0);
    ::ReleaseDC(nullptr, screen);
    return found;
}

}  // namespace

int SystemDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int Scale(int pixelsAt96) { return ::MulDiv(pixelsAt96, SystemDpi(), 96); }

RECT ScaleRect(int left, int top, int width, int height) {
    const int x = Scale(left), y = Scale(top);
    return RECT{x, y, x + Scale(width), y + Scale(height)};
}

const wchar_t* ChineseFaceName() {
    static const wchar_t* face = [] {
        if (FaceInstalled(kUiFace)) return kUiFace;
        for (const wchar_t* standIn : kStandIns)
            if (FaceInstalled(standIn)) return standIn;
        // The font mapper then picks a face by the charset.
        return kUiFace;
    }();
    return face;
}

HFONT CreateChineseFont(int charHeightAt96, bool bold, BYTE charset) {
    LOGFONTW font{};
    font.lfHeight = -Scale(charHeightAt96);  // negative: the character height, without the leading
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = charset;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    wcsncpy(font.lfFaceName, ChineseFaceName(), LF_FACESIZE - 1);
    return ::CreateFontIndirectW(&font);
}

// 9 pt at 96 dpi is 12 px.
HFONT CreateWindowFont() { return CreateChineseFont(::MulDiv(9, 96, 72), false, GB2312_CHARSET); }

}  // namespace win32ui
