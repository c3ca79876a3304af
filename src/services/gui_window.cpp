#include "services/gui_window.h"

#include <algorithm>

#include "platform/video.h"

namespace {
int g_desktopW = 640;
int g_desktopH = 480;
}  // namespace

int DialogUnitsToPixelsX(int units) { return units * 6 / 4; }
int DialogUnitsToPixelsY(int units) { return units * 12 / 8; }

void cWindow::SetDesktopRect(int width, int height) {
  g_desktopW = width;
  g_desktopH = height;
}
int cWindow::DesktopWidth() { return g_desktopW; }
int cWindow::DesktopHeight() { return g_desktopH; }

void cWindow::Init(uint16_t resourceId, cWindow* parent, void* data) {
  m_nResourceId = resourceId;
  m_pParent = parent;
  m_pData = data;
}

void cWindow::SetLayout(int clientW, int clientH, int minW, int minH, int maxW, int maxH,
                        uint32_t style, int menu, int toolRows, int statusKind, int /*reserved*/,
                        int scrollFlags) {
  m_Layout.style = style;
  m_Layout.menu = menu;
  m_Layout.toolRows = toolRows;
  m_Layout.statusKind = statusKind;
  m_Layout.scrollFlags = scrollFlags;
  m_nOriginX = 0;
  m_nOriginY = toolRows * 28;
  int extraW = (scrollFlags & 2) ? kScrollBarSize : 0;
  int extraH = ((scrollFlags & 1) ? kScrollBarSize : 0) +
               ((statusKind == 1 || statusKind == 2) ? 20 : 0) + m_nOriginY;
  m_Layout.minW = minW + extraW;
  m_Layout.minH = minH + extraH;
  m_Layout.maxW = maxW + extraW;
  m_Layout.maxH = maxH + extraH;
  m_Layout.clientW = clientW + extraW;
  m_Layout.clientH = clientH + extraH;
  CalcFrame();
}

void cWindow::CalcFrame() {
  sWindowLayout& l = m_Layout;
  l.frameLeft = l.frameRight = l.frameTop = l.frameBottom = 0;
  if (l.style & kWsCaption) l.frameTop += kCaptionHeight;
  if (l.style & kWsThickFrame) {
    l.frameLeft += kThickFrame;
    l.frameRight += kThickFrame;
    l.frameTop += kThickFrame;
    l.frameBottom += kThickFrame;
  } else if (l.style & kWsDlgFrame) {
    l.frameLeft += kDlgFrame;
    l.frameRight += kDlgFrame;
    l.frameTop += kDlgFrame;
    l.frameBottom += kDlgFrame;
  }
  if (l.menu) l.frameTop += kMenuHeight;
  l.windowW = l.clientW + l.frameLeft + l.frameRight;
  l.windowH = l.clientH + l.frameTop + l.frameBottom;
  m_nUsableW = l.clientW - ((l.scrollFlags & 2) ? kScrollBarSize : 0);
  m_nUsableH = l.clientH - m_nOriginY - ((l.scrollFlags & 1) ? kScrollBarSize : 0) -
               (l.statusKind == 1 ? 20 : 0);
}

void cWindow::GetPos(int pos[2]) const {
  pos[0] = m_nPosX;
  pos[1] = m_nPosY;
}

void cWindow::SetPos(int x, int y) {
  m_nPosX = x;
  m_nPosY = y;
  CalcFrame();
}

void cWindow::Locate() {
  int x, y;
  const cWindow* base = m_pOwner ? m_pOwner : m_pParent;
  if (base) {
    x = base->m_nPosX;
    y = base->m_nPosY;
    if (m_bCentre) {
      x += base->m_Layout.clientW / 2 - m_Layout.clientW / 2;
      y += base->m_Layout.clientH / 2 - m_Layout.clientH / 2;
    }
  } else {
    if (m_nStoredX == -1000 || m_nStoredY == -1000) return;
    x = m_nStoredX;
    y = m_nStoredY;
  }
  if (x < 0) x = 0;
  if (x + m_Layout.windowW >= g_desktopW) x = g_desktopW - m_Layout.windowW;
  if (y < 0) y = 0;
  if (y + m_Layout.windowH >= g_desktopH) y = g_desktopH - m_Layout.windowH;
  SetPos(x, y);
}

void cWindow::CenterOnDesktop() {
  SetPos((g_desktopW - m_Layout.windowW) / 2, (g_desktopH - m_Layout.windowH) / 2);
}

void cWindow::SetClientSize(int w, int h) {
  m_Layout.clientW = w;
  m_Layout.clientH = h;
  CalcFrame();
}

void cWindow::AddStyle(uint32_t bits) {
  m_Layout.style |= bits;
  UpdateStyle();
}

void cWindow::RemoveStyle(uint32_t bits) {
  m_Layout.style &= ~bits;
  UpdateStyle();
}

int cWindow::SendCommand(uint16_t id, uint16_t code) {
  if (m_bInCommand) return 0;
  m_bInCommand = true;
  OnCommand(static_cast<WPARAM>(id) | (static_cast<WPARAM>(code) << 16), 0);
  EndCommand();
  return 1;
}

int cWindow::UpdateMouse(bool always, int flags) {
  int px, py;
  bool l, r;
  plat::GetMouseState(&px, &py, &l, &r);
  return UpdateMouseAt(always, flags, px, py, l, r);
}

int cWindow::UpdateMouseAt(bool always, int flags, int px, int py, bool left, bool right) {
  int x = px - m_nPosX - m_Layout.frameLeft - m_nOriginX;
  int y = py - m_nPosY - m_Layout.frameTop - m_nOriginY;
  if (!always && (x < 0 || y < 0 || x >= m_nUsableW || y >= m_nUsableH)) return 0;
  m_Mouse.x = x;
  m_Mouse.y = y;
  m_Mouse.screenX = px;
  m_Mouse.screenY = py;
  return m_Mouse.UpdateFrom(flags, left, right);
}
