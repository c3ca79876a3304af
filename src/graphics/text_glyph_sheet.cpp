// Glyph sheets: the cells of cFastFont, and how a font fills and redraws
// its two sheets.
#include <algorithm>

#include "graphics/blit.h"
#include "graphics/display.h"
#include "graphics/font.h"
#include "graphics/text_ink.h"

namespace {

// The characters a full-width sheet starts with, in this order.
const char kPreloadedChars[] =
    "０１２３４５６７８９ー～、。．！？「」（）・…※→↑↓←＋－＝○●×ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺ"
    "ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚ"
    "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
    "がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽぁぃぅぇぉっゃゅょ"
    "アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲン"
    "ガギグゲゴザジズゼゾダヂヅデトバビブベボヴパピプペポァィゥェォッャュョ□■☆★％＆＜＞：";

uint16_t CharKey(const char* ch) {
  return static_cast<uint16_t>(static_cast<unsigned char>(ch[0]) << 8 | static_cast<unsigned char>(ch[1]));
}

bool HasSurface(const DDSURFACEDATA& sd) { return sd.lpDT != nullptr || sd.lpDD != nullptr; }

}  // namespace

const char* PreloadedFullWidthChars() { return kPreloadedChars; }

// ---- cFastFont ---------------------------------------------------------------

cFastFont::~cFastFont() {
  if (HasSurface(m_Sheet)) DDReleaseSurface(&m_Sheet);
}

bool cFastFont::Create(int kind, int cellWidth, int cellHeight, int cols, int rows) {
  nKind = kind;
  nCellWidth = cellWidth;
  nCellHeight = cellHeight;
  nCols = std::max(cols, 0);
  nRows = std::max(rows, 0);
  nCapacity = nCols * nRows;
  m_Entries.clear();
  m_Index.clear();
  nCount = 0;
  if (nCapacity <= 0 || cellWidth <= 0 || cellHeight <= 0) return false;
  return DDCreateSurface(&m_Sheet, nCols * cellWidth, nRows * cellHeight, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0);
}

const FASTFONTENTRY* cFastFont::Find(const char* ch) const {
  if (!ch || !ch[0]) return nullptr;
  const auto it = m_Index.find(CharKey(ch));
  return it == m_Index.end() ? nullptr : &m_Entries[static_cast<size_t>(it->second)];
}

int cFastFont::AddChar(const char* ch) {
  if (!ch || !ch[0] || !ch[1]) return 0;
  if (Find(ch)) return 1;
  if (nCount >= nCapacity) return 0;
  FASTFONTENTRY e{};
  e.szChar[0] = ch[0];
  e.szChar[1] = ch[1];
  e.nCell = nCount;
  e.nX = (nCount % nCols) * nCellWidth;
  e.nY = (nCount / nCols) * nCellHeight;
  m_Index.emplace(CharKey(ch), static_cast<int>(m_Entries.size()));
  m_Entries.push_back(e);
  ++nCount;
  return 1;
}

int cFastFont::DrawCode(DDSURFACEDATA* dst, int x, int y, int c, int key) {
  if (nCols <= 0) return 0;
  c &= 0xFF;
  return DDBlt(dst, x, y, nCellWidth, nCellHeight, &m_Sheet, (c % nCols) * nCellWidth, (c / nCols) * nCellHeight,
               key);
}

int cFastFont::DrawChar(DDSURFACEDATA* dst, int x, int y, const char* ch, int key) {
  const FASTFONTENTRY* e = Find(ch);
  if (!e) return 0;
  DDBlt(dst, x, y, nCellWidth, nCellHeight, &m_Sheet, e->nX, e->nY, key);
  return 1;
}

// ---- a font's sheets ---------------------------------------------------------

void cFont::ClearSheet(cFastFont* sheet) {
  DDSURFACEDATA& sd = sheet->m_Sheet;
  ClearToTextKey(&sd, 0, 0, std::max(sd.nTexWidth, sd.nWidth), std::max(sd.nTexHeight, sd.nHeight));
}

void cFont::MakeHalfSheet() {
  cFastFont* half = m_lpFastFont_Half.get();
  if (!half) return;
  ClearSheet(half);
  // Code c goes to cell (c mod 16, c / 16), each byte alone: a lead byte
  // gets its own cell too instead of pairing with the next code.
  for (int c = 16; c < 256; ++c) {
    const char byte = static_cast<char>(c);
    if (byte == ' ' || byte == '\n') continue;
    DrawGlyph(&half->m_Sheet, (c % 16) * nPitchX, (c / 16) * nLineHeight, &byte, 1, true);
  }
}

void cFont::MakeFullSheet(int restore) {
  cFastFont* full = m_lpFastFont_FullAdd.get();
  if (!full) return;
  if (!restore) {
    const std::string_view chars(kPreloadedChars);
    for (size_t i = 0; i + 1 < chars.size(); i += 2)
      if (!full->AddChar(&chars[i])) break;
  }
  ClearSheet(full);
  for (const FASTFONTENTRY& e : full->m_Entries) DrawGlyph(&full->m_Sheet, e.nX, e.nY, e.szChar, 2, true);
}

bool cFont::RenderFullChar(const FASTFONTENTRY& entry) {
  cFastFont* full = m_lpFastFont_FullAdd.get();
  if (!full || !full->m_Sheet.Pixels()) return false;
  DrawGlyph(&full->m_Sheet, entry.nX, entry.nY, entry.szChar, 2, true);
  return true;
}

void cFont::Restore() {
  cFastFont* sheets[] = {m_lpFastFont_Half.get(), m_lpFastFont_FullAdd.get()};
  if (lpDTCon) {
    for (cFastFont* sheet : sheets) {
      if (!sheet || !sheet->m_Sheet.bLost) continue;
      if (sheet == m_lpFastFont_Half.get())
        MakeHalfSheet();
      else
        MakeFullSheet(1);
      sheet->m_Sheet.bLost = 0;
    }
    return;
  }
  if (DDIsSurfaceLost(&Work)) DDRestoreSurfacePart(&Work);
  for (cFastFont* sheet : sheets) {
    if (!sheet) continue;
    if (DDIsSurfaceLost(&sheet->m_Sheet)) DDRestoreSurfacePart(&sheet->m_Sheet);
    if (sheet == m_lpFastFont_Half.get())
      MakeHalfSheet();
    else
      MakeFullSheet(1);
  }
}
