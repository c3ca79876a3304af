// Windows of the program's own: the game window and the modal dialogs drawn
// inside it. A window keeps its layout (client size, limits, frame widths)
// and its place; dialogs add controls and a modal loop (gui_dialog.h).
//
// There is no desktop of windows here: a dialog lives inside the game
// window, so "the desktop" a window is centred on is a rectangle the owner
// sets (the game window's client area, 640 x 480 unless told otherwise).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "services/gui_controls.h"

// Style bits the layout reads.
constexpr uint32_t kWsCaption = 0x00C00000;
constexpr uint32_t kWsDlgFrame = 0x00400000;
constexpr uint32_t kWsThickFrame = 0x00040000;
constexpr uint32_t kWsDisabled = 0x08000000;

// Frame metrics of our own windows, in pixels (the system metrics' stand-ins).
constexpr int kCaptionHeight = 20;
constexpr int kDlgFrame = 3;
constexpr int kThickFrame = 4;
constexpr int kMenuHeight = 20;
constexpr int kScrollBarSize = 16;

// Dialog units to pixels for the dialog font (12-pixel Gothic): a dialog
// unit is a quarter of the average character width (6) horizontally and an
// eighth of the character height (12) vertically.
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);

struct sWindowLayout {
  int clientX = 0, clientY = 0, clientW = 0, clientH = 0;
  int windowW = 0, windowH = 0;
  int minW = 0, minH = 0, maxW = 0, maxH = 0;
  uint32_t style = 0;
  int menu = 0;
  int toolRows = 0;
  int statusKind = 0;
  int scrollFlags = 0;
  int frameLeft = 0, frameRight = 0, frameTop = 0, frameBottom = 0;
};

class cWindow {
 public:
  cWindow() = default;
  virtual ~cWindow() = default;
  cWindow(const cWindow&) = delete;
  cWindow& operator=(const cWindow&) = delete;

  virtual void OnCommand(WPARAM, LPARAM) {}
  virtual void OnPaint() {}

  void Init(uint16_t resourceId, cWindow* parent, void* data);
  void Setup(uint16_t resourceId, cWindow* parent, void* data) { Init(resourceId, parent, data); }
  void SetLayout(int clientW, int clientH, int minW, int minH, int maxW, int maxH, uint32_t style,
                 int menu, int toolRows, int statusKind, int reserved, int scrollFlags);
  void CalcFrame();
  void GetPos(int pos[2]) const;
  void SetPos(int x, int y);
  void Locate();
  void CenterOnDesktop();
  void SetClientSize(int w, int h);
  void AddStyle(uint32_t bits);
  void RemoveStyle(uint32_t bits);
  void UpdateStyle() { CalcFrame(); }
  void EndCommand() { m_bInCommand = false; }
  // WM_COMMAND as the window procedure takes it: refused (0) while the
  // window is still inside an earlier command, else OnCommand and 1.
  int SendCommand(uint16_t id, uint16_t code);
  // Reads the pointer: outside the usable client area 0 unless always is
  // set; else stores it and updates the mouse state with flags, 1.
  int UpdateMouse(bool always, int flags);
  // As UpdateMouse with the pointer (game-window pixels) and buttons given.
  int UpdateMouseAt(bool always, int flags, int px, int py, bool left, bool right);
  const cMouse& Mouse() const { return m_Mouse; }

  // The rectangle windows are placed in (the game window's client area).
  static void SetDesktopRect(int width, int height);
  static int DesktopWidth();
  static int DesktopHeight();

  const sWindowLayout& Layout() const { return m_Layout; }
  void SetOwner(cWindow* owner, bool centre) { m_pOwner = owner; m_bCentre = centre; }
  void SetStoredPos(int x, int y) { m_nStoredX = x; m_nStoredY = y; }
  int PosX() const { return m_nPosX; }
  int PosY() const { return m_nPosY; }
  int UsableWidth() const { return m_nUsableW; }
  int UsableHeight() const { return m_nUsableH; }
  uint16_t ResourceId() const { return m_nResourceId; }
  void* UserData() const { return m_pData; }

 protected:
  uint16_t m_nResourceId = 0;
  cWindow* m_pParent = nullptr;
  void* m_pData = nullptr;
  int m_nPosX = 0, m_nPosY = 0;
  int m_nOriginX = 0, m_nOriginY = 0;
  int m_nUsableW = 0, m_nUsableH = 0;
  sWindowLayout m_Layout;
  std::string m_sName;
  bool m_bInCommand = false;
  int m_nStoredX = -1000, m_nStoredY = -1000;
  cWindow* m_pOwner = nullptr;
  bool m_bCentre = false;
  cMouse m_Mouse;
  cMouse m_PrevMouse;
};
