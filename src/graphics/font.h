// Fonts of the game: text of a face and size drawn onto the surfaces of
// either backend, optionally monospaced with glyph sheets (cFastFont) that
// cache rendered characters so text becomes a batch of blits, with framed
// windows behind text and icon letters. Text is CP932: a double-byte
// character is one character of one pitch.
//
// The glyphs come from plat::Font (hinted, monochrome): every glyph pixel is
// written in the text colour and nothing else, so keyed copies leave no
// fringes. The same plat::Font measures and draws.
#pragma once
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "graphics/surface.h"
#include "platform/fonts.h"
#include "services/log.h"


// A font definition of the project (every field 4 bytes).
struct FONTDEF {
  char szFace[256];
  int nWidth;       // GDI cell width (0: the face's own)
  int nHeight;      // cell height; Direct3D uses only this
  int nPitchX;      // advance per character; 0 = proportional
  int nLineHeight;  // pixels per line
  DWORD dwPalNum;   // text colour
  int nSkinSD;      // g_SD index of the window skin
  int nFrameWidth;
  DWORD dwFramePalNum;
  int nIconSD;    // g_SD index of the icon sheet
  int bFastFont;  // glyph sheets (2 = the running backend's start-up option)
};

struct SIZE {
  int cx, cy;
};

// One cached character of a glyph sheet.
struct FASTFONTENTRY {
  char szChar[3];  // the character's bytes, zero-terminated
  int nCell;
  int nX, nY;  // the cell's top left on the sheet
};

// A sheet of equal cells holding rendered characters. Cell n is at
// ((n mod cols) x cell width, (n / cols) x cell height).
class cFastFont {
 public:
  int nKind = 0;  // 0 half-width (the 256 byte codes), 1 full-width cache
  int nCellWidth = 0, nCellHeight = 0;
  int nCols = 0, nRows = 0;
  int nCapacity = 0;
  DDSURFACEDATA m_Sheet;
  std::vector<FASTFONTENTRY> m_Entries;  // in the order they were added
  int nCount = 0;

  cFastFont() = default;
  cFastFont(const cFastFont&) = delete;
  cFastFont& operator=(const cFastFont&) = delete;
  ~cFastFont();

  // Creates the empty, keyed sheet; false when the surface cannot be made.
  bool Create(int kind, int cellWidth, int cellHeight, int cols, int rows);
  // 1 when added (or already there), 0 when the sheet is full.
  int AddChar(const char* ch);
  // The entry of a two-byte character, or null.
  const FASTFONTENTRY* Find(const char* ch) const;
  int DrawCode(DDSURFACEDATA* dst, int x, int y, int c, int key);
  int DrawChar(DDSURFACEDATA* dst, int x, int y, const char* ch, int key);

 private:
  std::unordered_map<uint16_t, int> m_Index;  // character -> entry
};

class cFont {
 public:
  int nID = 0;
  // Stands in for both the GDI font (DirectDraw) and the D3DX font
  // (Direct3D): one face, one metrics source.
  plat::Font hFont;
  std::string lpszFace;
  int nWidth = 0, nHeight = 0, nPitchX = 0, nLineHeight = 0;
  DWORD dwPalNum = 0;
  // The text colour: Direct3D 0xFFRRGGBB; DirectDraw a GDI colour 0x00BBGGRR.
  DWORD dwColor = 0;
  int bCentre = 0;     // centre each glyph in its pitch x line-height cell
  DDSURFACEDATA Work;  // back-buffer sized, keyed: text goes here first
  DDSURFACEDATA* lpSkinSD = nullptr;
  int nFrameWidth = 0;
  DWORD dwFramePalNum = 0;
  DDSURFACEDATA* lpIconSD = nullptr;
  int bIcon = 0;
  int bFastFont = 0;
  std::unique_ptr<cFastFont> m_lpFastFont_Half;
  std::unique_ptr<cFastFont> m_lpFastFont_FullAdd;

  cFont() = default;
  cFont(const cFont&) = delete;
  cFont& operator=(const cFont&) = delete;
  ~cFont();  // Release
  // Frees the face, the glyph sheets and Work, and leaves the font list;
  // the shutdown releases the built-in fonts this way before the display.
  void Release();

  // Failures (Work or a glyph sheet that cannot be made) are logged and
  // close the program.
  void Create(const char* face, int width, int height, int pitchX, int lineHeight, DWORD palNum,
              DDSURFACEDATA* skin, int frameWidth, DWORD framePalNum, DDSURFACEDATA* icon, int fastFont);

  // Text of any length; (x, y) is the top left of the first cell.
  void DrawText(DDSURFACEDATA* dst, int x, int y, const char* text, int noIcons = 0);
  void DrawTextF(DDSURFACEDATA* dst, int x, int y, const char* format, ...) T4_PRINTF(5, 6);
  // A coordinate of 10000 centres the window on the skin.
  void DrawWindow(DDSURFACEDATA* dst, int x, int y, int w, int h);
  // w or h of 0 is measured from the text (w = margin + text width).
  void DrawWindowText(DDSURFACEDATA* dst, int x, int y, int w, int h, const char* text, int margin = 0);
  void DrawWindowTextColor(DDSURFACEDATA* dst, int x, int y, int w, int h, const char* text, int margin = 0);
  void DrawWindowTextF(DDSURFACEDATA* dst, int x, int y, int w, int h, const char* format, ...)
      T4_PRINTF(7, 8);

  // {widest line in characters x pitch, lines x line height}
  void GetSheetTextExtent(SIZE* out, const char* text) const;
  // {widest measured line, lines x line height}
  void GetTextExtent(SIZE* out, const char* text) const;
  // Both by the font's layout: the sheet extent with a pitch, else measured.
  SIZE MeasureText(std::string_view text) const;

  // After a device or surface loss: redraws the glyph sheets.
  void Restore();

  // Glyph sheets (also used by Restore).
  void MakeHalfSheet();
  void MakeFullSheet(int restore);

  // One glyph of 1 or 2 bytes with the font itself, at the cell whose top
  // left is (x, y). `inCell`: ink outside the pitch x line-height cell is
  // dropped, so a glyph-sheet cell holds its own glyph only.
  void DrawGlyph(DDSURFACEDATA* target, int x, int y, const char* bytes, int count, bool inCell = false);

 private:
  void DrawTextCached(DDSURFACEDATA* glyphTarget, int gx, int gy, DDSURFACEDATA* sheetTarget, int x, int y,
                      std::string_view text, bool icons);
  void DrawIcons(DDSURFACEDATA* dst, int x, int y, std::string_view text);
  void DrawTextView(DDSURFACEDATA* dst, int x, int y, std::string_view text, int noIcons);
  void DrawWindowTextView(DDSURFACEDATA* dst, int x, int y, int w, int h, std::string_view text, int margin);
  bool RenderFullChar(const FASTFONTENTRY& entry);
  void ClearSheet(cFastFont* sheet);
};

// Every created font, in creation order (the restore walks it).
std::list<cFont*>& FontList();

int CreateFonts(cFont* fonts, const FONTDEF* defs, int count);
int CreateNumberSurfaces(DDSURFACEDATA* surfaces, const DDSURFACEDEF* defs, int count, cFont* fonts,
                         const FONTDEF* fontDefs);
int DrawDigitsToSurface(DDSURFACEDATA* lpSD, cFont* font);
// The 256 characters a full-width glyph sheet starts with (CP932).
const char* PreloadedFullWidthChars();
// Bytes up to the first newline or the end.
int GetLineLength(const char* text);

extern cFont g_TextRenderer[3];        // the three built-in fonts
// Their digit strips; no destructor: the shutdown releases them.
extern DDSURFACEDATA (&g_NumberSD)[3];
