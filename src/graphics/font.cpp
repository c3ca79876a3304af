#include "graphics/font.h"

#include <algorithm>
#include <cstdarg>
#include <mutex>

#include "graphics/batch.h"
#include "graphics/blit.h"
#include "graphics/display.h"
#include "graphics/fill.h"
#include "graphics/prim.h"
#include "graphics/restore.h"
#include "graphics/text_ink.h"
#include "graphics/text_layout.h"

namespace {

std::mutex& FontListMutex() {
  // Never destroyed: a global text renderer leaves the list at exit, after
  // function-local statics made later would already be gone.
  static std::mutex& m = *new std::mutex;
  return m;
}

void OnFontsLost() {
  // Our glyphs live in surfaces; the surface restore re-creates those, and
  // the face itself holds nothing on the device.
}

void OnFontsRestore() {
  std::vector<cFont*> fonts;
  {
    std::lock_guard<std::mutex> lock(FontListMutex());
    fonts.assign(FontList().begin(), FontList().end());
  }
  for (cFont* f : fonts) f->Restore();
}

void InstallFontRestoreHooks() {
  RestoreHooks hooks;
  hooks.fontsLost = OnFontsLost;
  hooks.fontsRestore = OnFontsRestore;
  SetRestoreHooks(hooks);
}

void CloseProgram(const char* log) {
  WriteECLog(log);
  plat::PostMessage(plat::MainWindowHandle(), WM_CLOSE, 0, 0);
}

bool HasSurface(const DDSURFACEDATA& sd) { return sd.lpDT != nullptr || sd.lpDD != nullptr; }

int CentreIn(int coordinate, int skinSide, int side) {
  return coordinate == 10000 ? skinSide / 2 - side / 2 : coordinate;
}

}  // namespace

std::list<cFont*>& FontList() {
  static std::list<cFont*>& fonts = *new std::list<cFont*>;  // see FontListMutex
  return fonts;
}

cFont::~cFont() { Release(); }

void cFont::Release() {
  {
    std::lock_guard<std::mutex> lock(FontListMutex());
    FontList().remove(this);
  }
  m_lpFastFont_Half.reset();
  m_lpFastFont_FullAdd.reset();
  if (HasSurface(Work)) DDReleaseSurface(&Work);
  hFont = plat::Font();
}

void cFont::Create(const char* face, int width, int height, int pitchX, int lineHeight, DWORD palNum,
                   DDSURFACEDATA* skin, int frameWidth, DWORD framePalNum, DDSURFACEDATA* icon, int fastFont) {
  lpszFace = face ? face : "";
  nWidth = width;
  nHeight = height;
  nPitchX = std::max(pitchX, 0);
  nLineHeight = std::max(lineHeight, 0);
  dwPalNum = palNum;
  lpSkinSD = skin;
  nFrameWidth = frameWidth;
  dwFramePalNum = framePalNum;
  lpIconSD = icon;
  bIcon = icon != nullptr;
  if (g_nBpp != 0) dwColor = TextColorOfPalNum(palNum);

  plat::FontDesc desc;
  // The face name field of a logical font holds 31 characters.
  desc.face = lpszFace.substr(0, 31);
  desc.height = height;
  desc.width = lpDTCon ? 0 : width;  // the Direct3D font takes the height only
  hFont = plat::Font(desc);
  for (const std::string& line : hFont.OpenReports()) WriteReport("%s", line.c_str());

  if (!HasSurface(Work) &&
      !DDCreateSurface(&Work, g_nScreenWidth, g_nScreenHeight, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0)) {
    CloseProgram("DDCreateSurface Font::Work");
    return;
  }

  if (lpDTCon) {
    nID = lpDTCon->nFontID++;
  } else if (g_lpDDCon) {
    nID = g_lpDDCon->nFontID++;
  }
  {
    std::lock_guard<std::mutex> lock(FontListMutex());
    if (std::find(FontList().begin(), FontList().end(), this) == FontList().end()) FontList().push_back(this);
  }
  InstallFontRestoreHooks();

  bFastFont = fastFont;
  m_lpFastFont_Half.reset();
  m_lpFastFont_FullAdd.reset();
  if (!fastFont) return;
  if (nPitchX == 0 || nLineHeight == 0) {
    WriteECLog("※フォントクラスで文字間が未設定！");
    return;
  }
  m_lpFastFont_Half = std::make_unique<cFastFont>();
  if (!m_lpFastFont_Half->Create(0, nPitchX, nLineHeight, 16, 16)) {
    m_lpFastFont_Half.reset();
    CloseProgram("m_lpFastFont_Half Err");
    return;
  }
  int cols, rows;
  if (lpDTCon) {
    cols = std::min(1024 / nPitchX, 32);
    rows = std::min(1024 / nLineHeight, 32);
  } else {
    cols = std::min(g_nScreenWidth / nPitchX, 32);
    rows = std::min(g_nScreenHeight / nLineHeight, 30);
  }
  m_lpFastFont_FullAdd = std::make_unique<cFastFont>();
  if (!m_lpFastFont_FullAdd->Create(1, nPitchX, nLineHeight, cols, rows)) {
    m_lpFastFont_Half.reset();
    m_lpFastFont_FullAdd.reset();
    CloseProgram("m_lpFastFont_FullAdd Err");
    return;
  }
  MakeHalfSheet();
  MakeFullSheet(0);
}

// ---- measuring ---------------------------------------------------------------

void cFont::GetSheetTextExtent(SIZE* out, const char* text) const {
  if (!out) return;
  const std::string_view t = text ? std::string_view(text) : std::string_view();
  int widest = 0, lines = 0;
  ForEachLine(t, [&](std::string_view line) {
    widest = std::max(widest, TextCharCount(line));
    ++lines;
  });
  out->cx = widest * nPitchX;
  out->cy = lines * nLineHeight;
}

void cFont::GetTextExtent(SIZE* out, const char* text) const {
  if (!out) return;
  const std::string_view t = text ? std::string_view(text) : std::string_view();
  int widest = 0, lines = 0;
  ForEachLine(t, [&](std::string_view line) {
    widest = std::max(widest, hFont.Measure(line).cx);
    ++lines;
  });
  out->cx = widest;
  out->cy = lines * nLineHeight;
}

SIZE cFont::MeasureText(std::string_view text) const {
  int widest = 0, lines = 0;
  ForEachLine(text, [&](std::string_view line) {
    widest = std::max(widest, nPitchX ? TextCharCount(line) * nPitchX : hFont.Measure(line).cx);
    ++lines;
  });
  return SIZE{widest, lines * nLineHeight};
}

// ---- drawing -------------------------------------------------------------------

void cFont::DrawGlyph(DDSURFACEDATA* target, int x, int y, const char* bytes, int count, bool inCell) {
  if (!target || !bytes || count < 1) return;
  plat::TextMask mask = hFont.Render(std::string_view(bytes, count == 1 ? 1 : 2));
  const RECT cell{x, y, x + nPitchX, y + nLineHeight};
  if (bCentre) {
    x += (nPitchX - mask.width) / 2;
    y += (nLineHeight - mask.height) / 2;
  } else if (count == 1) {
    x += nPitchX / 8;
    y += nLineHeight / 16 - 1;
  }
  if (inCell) {
    // Ink that would spill into the neighbouring cells (the line above, a
    // wide fallback glyph) is cut off, or it would show under or beside the
    // characters drawn from there.
    const int left = std::max(x, cell.left), top = std::max(y, cell.top);
    const int right = std::min(x + mask.width, cell.right), bottom = std::min(y + mask.height, cell.bottom);
    if (right <= left || bottom <= top) return;
    plat::TextMask cut;
    cut.width = right - left;
    cut.height = bottom - top;
    cut.pixels.resize(static_cast<size_t>(cut.width) * cut.height);
    for (int row = 0; row < cut.height; ++row)
      for (int col = 0; col < cut.width; ++col)
        cut.pixels[static_cast<size_t>(row) * cut.width + col] = mask.At(left - x + col, top - y + row);
    mask = std::move(cut);
    x = left;
    y = top;
  }
  DrawInkMask(target, mask, x, y, dwColor);
}

void cFont::DrawTextCached(DDSURFACEDATA* glyphTarget, int gx, int gy, DDSURFACEDATA* sheetTarget, int x, int y,
                           std::string_view text, bool icons) {
  // A batch the caller opened is joined rather than restarted, so its
  // pending draws are not dropped.
  const bool ownBatch = lpDTCon && !DDSpriteBatchOpen();
  if (ownBatch) {
    DDBeginSpriteBatch(1);
    if (m_lpFastFont_Half) DDSetSpriteOrder(&m_lpFastFont_Half->m_Sheet);
    if (m_lpFastFont_FullAdd) DDSetSpriteOrder(&m_lpFastFont_FullAdd->m_Sheet);
  }
  if (nPitchX) {
    const bool sheets = bFastFont && m_lpFastFont_Half && m_lpFastFont_FullAdd && sheetTarget;
    const bool skipLetters = icons && lpIconSD;
    int column = 0, row = 0;
    for (size_t i = 0; i < text.size();) {
      if (IsCharPairAt(text, i)) {
        const char pair[3] = {text[i], text[i + 1], 0};
        i += 2;
        const bool wideSpace = static_cast<unsigned char>(pair[0]) == 0x81 && static_cast<unsigned char>(pair[1]) == 0x40;
        if (!sheets || wideSpace) {
          DrawGlyph(glyphTarget, gx + column, gy + row, pair, 2);
        } else {
          cFastFont* full = m_lpFastFont_FullAdd.get();
          if (!full->DrawChar(sheetTarget, x + column, y + row, pair, 1)) {
            const int before = full->nCount;
            if (full->AddChar(pair) && full->nCount > before && RenderFullChar(full->m_Entries.back()))
              full->DrawChar(sheetTarget, x + column, y + row, pair, 1);
            else
              DrawGlyph(glyphTarget, gx + column, gy + row, pair, 2);
          }
        }
        column += nPitchX;
        continue;
      }
      const char c = text[i++];
      if (c == '\n') {
        column = 0;
        row += nLineHeight;
        continue;
      }
      if (c != ' ' && !(skipLetters && c >= 'a' && c <= 'z')) {
        if (sheets)
          m_lpFastFont_Half->DrawCode(sheetTarget, x + column, y + row, static_cast<unsigned char>(c), 1);
        else
          DrawGlyph(glyphTarget, gx + column, gy + row, &c, 1);
      }
      column += nPitchX;
    }
  } else {
    int lineY = gy;
    ForEachLine(text, [&](std::string_view line) {
      if (!line.empty()) DrawInkText(glyphTarget, hFont, line, gx, lineY, dwColor);
      lineY += nLineHeight;
    });
  }
  if (ownBatch) DDEndSpriteBatch();
}

void cFont::DrawIcons(DDSURFACEDATA* dst, int x, int y, std::string_view text) {
  if (!nPitchX || !lpIconSD) return;
  const bool ownBatch = lpDTCon && !DDSpriteBatchOpen();
  if (ownBatch) DDBeginSpriteBatch(0);
  int column = 0, row = 0;
  for (size_t i = 0; i < text.size();) {
    if (IsCharPairAt(text, i)) {
      i += 2;
      column += nPitchX;
      continue;
    }
    const char c = text[i++];
    if (c == '\n') {
      column = 0;
      row += nLineHeight;
      continue;
    }
    if (c >= 'a' && c <= 'z')
      DDBlt(dst, x + column, y + row, nPitchX, nLineHeight, lpIconSD, nPitchX * (c - 'a'), 0, 1);
    column += nPitchX;
  }
  if (ownBatch) DDEndSpriteBatch();
}

void cFont::DrawText(DDSURFACEDATA* dst, int x, int y, const char* text, int noIcons) {
  if (text) DrawTextView(dst, x, y, text, noIcons);
}

void cFont::DrawTextView(DDSURFACEDATA* dst, int x, int y, std::string_view text, int noIcons) {
  if (!dst || text.empty()) return;
  const bool icons = !noIcons && bIcon;
  const bool drawIcons = icons && nPitchX && lpIconSD;
  if (lpDTCon) {
    DDSURFACEDATA* target = dst;
    DDResolveBaseSD(&target);
    DDRedirectBackBuffer(&target);
    if (!DDIsRenderTarget(target)) {
      // The font draws only into render targets: through Work once.
      const SIZE size = MeasureText(text);
      ClearToTextKey(&Work, 0, 0, size.cx, size.cy);
      DrawTextCached(&Work, 0, 0, target, x, y, text, icons);
      if (drawIcons) DrawIcons(&Work, 0, 0, text);
      DDBlt(target, x, y, size.cx, size.cy, &Work, 0, 0, 1);
    } else {
      DrawTextCached(target, x, y, target, x, y, text, icons);
      if (drawIcons) DrawIcons(target, x, y, text);
    }
    return;
  }
  const SIZE size = MeasureText(text);
  ClearToTextKey(&Work, 0, 0, size.cx, size.cy);
  DrawTextCached(&Work, 0, 0, dst, x, y, text, icons);
  DDBlt(dst, x, y, size.cx, size.cy, &Work, 0, 0, 1);
  if (drawIcons) DrawIcons(dst, x, y, text);
}

void cFont::DrawTextF(DDSURFACEDATA* dst, int x, int y, const char* format, ...) {
  if (!format) return;
  va_list args;
  va_start(args, format);
  const std::string text = FormatStringV(format, args);
  va_end(args);
  DrawTextView(dst, x, y, text, 0);
}

void cFont::DrawWindow(DDSURFACEDATA* dst, int x, int y, int w, int h) {
  if (!lpSkinSD) return;
  x = CentreIn(x, lpSkinSD->nWidth, w);
  y = CentreIn(y, lpSkinSD->nHeight, h);
  DDBltWithFrame(dst, x, y, w, h, lpSkinSD, nFrameWidth, dwFramePalNum);
}

void cFont::DrawWindowTextView(DDSURFACEDATA* dst, int x, int y, int w, int h, std::string_view text, int margin) {
  if (w == 0 || h == 0) {
    const SIZE size = MeasureText(text);
    if (w == 0) w = margin + size.cx;
    if (h == 0) h = size.cy;
  }
  if (lpSkinSD) {
    x = CentreIn(x, lpSkinSD->nWidth, w);
    y = CentreIn(y, lpSkinSD->nHeight, h);
  }
  DrawWindow(dst, x, y, w, h);
  DrawTextView(dst, x + margin, y, text, 0);
}

void cFont::DrawWindowText(DDSURFACEDATA* dst, int x, int y, int w, int h, const char* text, int margin) {
  DrawWindowTextView(dst, x, y, w, h, text ? std::string_view(text) : std::string_view(), margin);
}

void cFont::DrawWindowTextColor(DDSURFACEDATA* dst, int x, int y, int w, int h, const char* text, int margin) {
  DrawWindowText(dst, x, y, w, h, text, margin);
}

void cFont::DrawWindowTextF(DDSURFACEDATA* dst, int x, int y, int w, int h, const char* format, ...) {
  if (!format) return;
  va_list args;
  va_start(args, format);
  const std::string text = FormatStringV(format, args);
  va_end(args);
  DrawWindowTextView(dst, x, y, w, h, text, 0);
}

// ---- start-up helpers ------------------------------------------------------------

int CreateFonts(cFont* fonts, const FONTDEF* defs, int count) {
  for (int i = 0; fonts && defs && i < count; ++i) {
    const FONTDEF& d = defs[i];
    auto surface = [](int index) -> DDSURFACEDATA* {
      return g_lpSurfaceArray && index >= 0 && index < g_nSurfaceCount ? &g_lpSurfaceArray[index] : nullptr;
    };
    // The face field may be filled to the brim without a terminator.
    const std::string face(d.szFace, strnlen(d.szFace, sizeof(d.szFace)));
    fonts[i].Create(face.c_str(), d.nWidth, d.nHeight, d.nPitchX, d.nLineHeight, d.dwPalNum, surface(d.nSkinSD),
                    d.nFrameWidth, d.dwFramePalNum, surface(d.nIconSD), d.bFastFont);
  }
  return 1;
}

int DrawDigitsToSurface(DDSURFACEDATA* lpSD, cFont* font) {
  if (!lpSD || !font) return 0;
  ClearToTextKey(lpSD, 0, 0, lpSD->nWidth, lpSD->nHeight);
  font->DrawText(lpSD, 0, 0, "0123456789");
  return 1;
}

int CreateNumberSurfaces(DDSURFACEDATA* surfaces, const DDSURFACEDEF* defs, int count, cFont* fonts,
                         const FONTDEF* fontDefs) {
  for (int i = 0; surfaces && defs && fonts && fontDefs && i < count; ++i) {
    const DDSURFACEDEF& d = defs[i];
    if (DDCreateSurface(&surfaces[i], fontDefs[i].nPitchX * 10, fontDefs[i].nLineHeight, d.bTransmit, d.dwDDMemType,
                        d.dwDTMemType, d.lpBaseSD, 0))
      DrawDigitsToSurface(&surfaces[i], &fonts[i]);
  }
  return 1;
}

int GetLineLength(const char* text) {
  if (!text) return 0;
  int n = 0;
  while (text[n] && text[n] != '\n') ++n;
  return n;
}
