#include "ui/win32/Fonts.h"

#include "platform/win32/Win32Text.h"
#include "ui/FontStandIns.h"

#include <cwchar>
#include <string>

namespace win32ui {
namespace {

constexpr wchar_t kUiFace[] = L"宋体";

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
    static const std::wstring face = [] {
        if (FaceInstalled(kUiFace)) return std::wstring(kUiFace);
        // Where 宋体 is missing, the first installed stand-in; GDI draws without
        // smoothing, so a stand-in's bitmap twin goes first.
        for (const StandInFace& standIn : kSongTiStandIns) {
            if (standIn.bitmapTwin) {
                const std::wstring twin = platform::win32::Utf8ToWide(standIn.bitmapTwin);
                if (FaceInstalled(twin.c_str())) return twin;
            }
            const std::wstring family = platform::win32::Utf8ToWide(standIn.family);
            if (FaceInstalled(family.c_str())) return family;
        }
        // The font mapper then picks a face by the charset.
        return std::wstring(kUiFace);
    }();
    return face.c_str();
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
