#include "objects/message.h"

#include <iterator>

#include "graphics/blit.h"
#include "graphics/builtin_tables.h"
#include "graphics/fill.h"
#include "graphics/font.h"
#include "graphics/surface.h"
#include "objects/chara_base.h"
#include "objects/sprite_source.h"
#include "platform/messages.h"
#include "platform/numeric.h"
#include "records/progress_data.h"
#include "services/strings.h"
#include "stage/game_scene.h"
#include "stage/stage_surfaces.h"

namespace {

constexpr int kPopupFrames = 30;
constexpr int kOpeningFrames = 10;
constexpr int kAccessorySheet = 49;  // "bmp\Accessory.bmp"
constexpr int kMaxVariable = 1000;

// |v| in exactly `width` digits or as many as it needs; without zero fill
// the leading zeros but the last character become spaces; the sign in front.
std::string FormatVariable(int v, int width, bool plus, bool zeroFill) {
  // 64-bit, so that the lowest int has a magnitude.
  const long long magnitude = v < 0 ? -static_cast<long long>(v) : v;
  std::string digits = std::to_string(magnitude);
  if (width > static_cast<int>(digits.size())) digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
  if (!zeroFill)
    for (size_t k = 0; k + 1 < digits.size() && digits[k] == '0'; ++k) digits[k] = ' ';
  if (v < 0) return "-" + digits;
  return plus ? "+" + digits : digits;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

double ScrollX() { return g_pGameScene ? g_pGameScene->m_ScrollX.m_dPos : 0.0; }
double ScrollY() { return g_pGameScene ? g_pGameScene->m_ScrollY.m_dPos : 0.0; }

// A message with nothing left to show: a text message gives its surface back.
int EndMessage(cMessage& m) {
  if (m.m_nKind == kMessageText) m.ReleaseSurface();
  return 1;
}

}  // namespace

// --- escapes and measuring -------------------------------------------------------

void ExpandMessageText(std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    // data() is terminated, so the trail byte test never reads past it.
    if (IsSJISChar(text.data() + i)) {
      i += 2;
      continue;
    }
    if (text[i] != '#') {
      ++i;
      continue;
    }
    int number = 0;
    bool common = false, stage = false, format = false;
    int width = 0;
    bool plus = false, zeroFill = false;
    size_t end = i + 1;
    for (; end < text.size(); ++end) {
      const char c = text[end];
      if (!format) {
        if (IsDigit(c)) {
          // Past the last variable the number only has to stay out of range.
          if (number <= kMaxVariable) number = number * 10 + (c - '0');
        } else if (c == 'C' || c == 'c') {
          common = true;
        } else if (c == 'S' || c == 's') {
          stage = true;
        } else if (c == '_') {
          format = true;
        } else {
          break;
        }
      } else if (IsDigit(c)) {
        width = c - '0';
      } else if (c == 'P' || c == 'p') {
        plus = true;
      } else if (c == 'Z' || c == 'z') {
        zeroFill = true;
      } else {
        break;
      }
    }
    if (end < text.size() && text[end] == '.') ++end;
    const bool inRange = number >= 1 && number <= kMaxVariable;
    int value = 0;
    if (inRange && common) {
      value = g_Progress.m_vecVar.At(number);
    } else if (inRange && stage && g_pGameScene && number < g_pGameScene->m_vecStageVar.Size()) {
      // 1000 stage variables against 1001 common ones: "#S1000" names none
      // and stays as it is written.
      value = g_pGameScene->m_vecStageVar.At(number);
    } else {
      ++i;
      continue;
    }
    const std::string shown = FormatVariable(value, width, plus, zeroFill);
    text.replace(i, end - i, shown);
    i += shown.size();
  }
}

cFont& MessageFont() { return g_TextRenderer[1]; }

void MeasureMessageText(int& width, int& height, const std::string& text) {
  const SIZE size = MessageFont().MeasureText(text);
  width = size.cx + 2;
  height = size.cy + 2;
}

// --- the message ------------------------------------------------------------------

cMessage::cMessage(int kind, const char* text, int icon1, int icon2, int icon3, int posMode, int cellX, int cellY,
                   int offX, int offY, int clamp, int fixPos, int dispMode, int frames, int countWhilePaused,
                   int anchor, int noOpening, int expand, int refresh, int refreshInterval, int window, int hasId,
                   int messageId) {
  Init(kind, text, icon1, icon2, icon3, posMode, cellX, cellY, offX, offY, clamp, fixPos, dispMode, frames,
       countWhilePaused, anchor, noOpening, expand, refresh, refreshInterval, window, hasId, messageId, 0);
}

void cMessage::Init(int kind, const char* text, int icon1, int icon2, int icon3, int posMode, int cellX, int cellY,
                    int offX, int offY, int clamp, int fixPos, int dispMode, int frames, int countWhilePaused,
                    int anchor, int noOpening, int expand, int refresh, int refreshInterval, int window, int hasId,
                    int messageId, int keepSurface) {
  m_nKind = kind;
  if (text) {
    m_strText = m_strSource = text;
  } else {
    m_strText.clear();
    m_strSource.clear();
  }
  m_nIcon[0] = icon1;
  m_nIcon[1] = icon2;
  m_nIcon[2] = icon3;
  m_nPosMode = posMode;
  m_nCellX = cellX;
  m_nCellY = cellY;
  m_nOffX = offX;
  m_nOffY = offY;
  m_bClamp = clamp;
  m_bFixPos = fixPos;
  m_nDispMode = dispMode;
  m_nFramesLeft = frames;
  m_bCountWhilePaused = countWhilePaused;
  m_nAnchor = anchor;
  m_bExpand = expand;
  m_bRefresh = refresh;
  m_nRefreshInterval = refreshInterval;
  m_bWindow = window;
  m_bHasId = hasId;
  m_nMessageId = messageId;
  m_bOpening = dispMode == kMessageUntilKey && noOpening == 0 ? 1 : 0;
  m_bPosFixed = 0;
  m_nFixedX = m_nFixedY = 0;
  m_dOpenFrames = 0.0;

  if (m_bExpand) ExpandMessageText(m_strText);
  if (m_nKind != kMessageText) {
    m_nWidth = m_nHeight = 16;
    m_lpSD = nullptr;
    m_lpSDDef = nullptr;
    return;
  }
  MeasureMessageText(m_nWidth, m_nHeight, m_strText);
  if (!keepSurface) {
    CreateTextSurface();
  } else if (!m_lpSD || m_lpSD->nWidth != m_nWidth || m_lpSD->nHeight != m_nHeight) {
    // A kept surface must still fit the text: one of another size (or none)
    // is replaced at its place in the list.
    const int position = SurfacePosition();
    ReleaseSurface();
    CreateTextSurfaceSized(position);
  }
  Draw(m_lpSD);
}

void cMessage::CreateTextSurface() { CreateTextSurfaceSized(Off_Msg.Size()); }

void cMessage::CreateTextSurfaceSized(int position) {
  // Our surfaces never run short of video memory: DirectDraw keeps them there.
  const int at = position >= 0 && position < Off_Msg.Size() ? position : Off_Msg.Size();
  const bool made = DDInsertSurfaceList(Off_Msg, g_lstMsgSDDef, at, m_nWidth, m_nHeight, 1, 0, 0, nullptr);
  // The record is in the list even when its creation failed, so it is
  // released with the message like any other.
  m_lpSD = &*std::next(Off_Msg.begin(), at);
  m_lpSDDef = at < static_cast<int>(g_lstMsgSDDef.size()) ? &*std::next(g_lstMsgSDDef.begin(), at) : nullptr;
  if (!made) plat::PostMessage(plat::MainWindowHandle(), WM_CLOSE, 0, 0);
}

void cMessage::Draw(DDSURFACEDATA* surface) {
  if (!surface) return;
  cFont& font = MessageFont();
  if (m_bWindow) {
    font.DrawWindowTextColor(surface, 1, 1, 0, 0, m_strText.c_str());
  } else {
    DDFillSurface(surface, 0);
    font.DrawText(surface, 1, 1, m_strText.c_str());
  }
}

void cMessage::ReleaseSurface() {
  if (m_lpSD) DDRemoveSurfaceList(Off_Msg, g_lstMsgSDDef, m_lpSD);
  m_lpSD = nullptr;
  m_lpSDDef = nullptr;
}

int cMessage::SurfacePosition() const {
  int n = 0;
  for (const DDSURFACEDATA& sd : Off_Msg) {
    if (&sd == m_lpSD) return n;
    ++n;
  }
  return -1;
}

// --- the frame ----------------------------------------------------------------------

int UpdateMessages(cMessage& m, DDSURFACEDATA* target, int paused) {
  if (m.m_nDispMode == kMessageTimed) {
    if (m.m_bCountWhilePaused || !paused) --m.m_nFramesLeft;
    if (m.m_nFramesLeft < 0) return EndMessage(m);
  }

  if (m.m_nKind == kMessageText && m.m_bExpand && m.m_bRefresh) {
    // An interval of 0 would divide by zero: it refreshes every frame.
    const int interval = m.m_nRefreshInterval > 0 ? m.m_nRefreshInterval : 1;
    const int frame = g_pGameScene ? g_pGameScene->m_nFrameCounter : 0;
    if (frame % interval == 0) {
      std::string text = m.m_strSource;
      ExpandMessageText(text);
      if (text != m.m_strText) {
        m.m_strText = text;
        int w = 0, h = 0;
        MeasureMessageText(w, h, m.m_strText);
        if (w != m.m_nWidth || h != m.m_nHeight) {
          m.m_nWidth = w;
          m.m_nHeight = h;
          const int position = m.SurfacePosition();
          m.ReleaseSurface();
          m.CreateTextSurfaceSized(position);
        }
        m.Draw(m.m_lpSD);
      }
    }
  }

  const int w = m.m_nWidth, h = m.m_nHeight;
  int x = 0, y = 0;
  switch (m.m_nPosMode) {
    case 0:
      x = m.m_nOffX - w / 2 + 320;
      y = m.m_nOffY - h / 2 + 240;
      break;
    case 1: case 2: case 3: case 4: case 5: case 6: {
      const cCharaBase* chara = FindCharaByObject(m.m_nAnchor);
      if (!chara) {
        if (m.m_nKind == kMessageText) return EndMessage(m);
        break;  // (0, 0); a position already fixed still holds
      }
      // The top-left of the chara's sprite on the screen.
      const int cl = plat::TruncToInt(chara->m_dX - plat::TruncToInt(ScrollX())) - chara->m_nImgOffX;
      const int ct = plat::TruncToInt(chara->m_dY - plat::TruncToInt(ScrollY())) - chara->m_nImgOffY;
      const int cw = chara->m_nImgW, ch = chara->m_nImgH;
      x = cl + cw / 2 - w / 2 + m.m_nOffX;
      if (m.m_nPosMode == 1 || m.m_nPosMode == 4)
        y = ct - h + m.m_nOffY;
      else if (m.m_nPosMode == 2 || m.m_nPosMode == 5)
        y = ct + ch + 1 + m.m_nOffY;
      else
        y = ct + ch / 2 - h / 2 + m.m_nOffY;
      break;
    }
    case 7:
      x = m.m_nOffX + 32 * m.m_nCellX;
      y = m.m_nOffY + 32 * m.m_nCellY;
      break;
    case 8: {
      const int originX = g_pGameScene ? g_pGameScene->m_ScrollX.m_nMargin : 0;
      const int originY = g_pGameScene ? g_pGameScene->m_ScrollY.m_nMargin : 0;
      x = plat::TruncToInt((m.m_nCellX + originX) * 32.0 + m.m_nOffX - ScrollX());
      y = plat::TruncToInt((m.m_nCellY + originY) * 32.0 + m.m_nOffY - ScrollY());
      break;
    }
    default:
      break;
  }

  if (m.m_nPosMode != 0 && m.m_nPosMode != 7) {
    // Stays on the screen where it first appeared.
    if (m.m_bFixPos) {
      if (!m.m_bPosFixed) {
        m.m_bPosFixed = 1;
        m.m_nFixedX = x;
        m.m_nFixedY = y;
      }
      x = m.m_nFixedX;
      y = m.m_nFixedY;
    }
  } else if (!m.m_bFixPos) {
    // Moves with the stage from where it first appeared.
    const int sx = plat::TruncToInt(ScrollX()), sy = plat::TruncToInt(ScrollY());
    if (!m.m_bPosFixed) {
      m.m_bPosFixed = 1;
      m.m_nFixedX = x + sx;
      m.m_nFixedY = y + sy;
    }
    x = m.m_nFixedX - sx;
    y = m.m_nFixedY - sy;
  }

  if (m.m_bClamp) {
    if (x < 0) x = 0;
    if (x + w > 638) x = 640 - w;
    if (y <= 19) y = 20;
    if (y + h > 478) y = 480 - h;
  }

  const int rise = (kPopupFrames - m.m_nFramesLeft) / 4;
  switch (m.m_nKind) {
    case kMessageText: {
      if (m.m_lpSD && m.m_lpSD->bLost) {
        m.Draw(m.m_lpSD);
        m.m_lpSD->bLost = 0;
      }
      if (m.m_strText.empty()) break;
      if (m.m_bOpening) {
        m.m_dOpenFrames += 1.0;
        if (m.m_dOpenFrames <= kOpeningFrames) {
          // The window grows from the text's centre; the text waits for it.
          const double f = m.m_dOpenFrames * 0.1;
          if (m.m_bWindow) {
            const int ow = plat::TruncToInt(f * w), oh = plat::TruncToInt(f * h);
            MessageFont().DrawWindow(target, x + w / 2 - ow / 2, y + h / 2 - oh / 2, ow, oh);
          }
          break;
        }
        m.m_bOpening = 0;
      }
      if (m.m_lpSD) DDBlt(target, x, y, m.m_lpSD->nWidth, m.m_lpSD->nHeight, m.m_lpSD, 0, 0, 1);
      break;
    }
    case kMessageIcon:
      DrawSmallIcon(target, x, y - rise, m.m_nIcon[0], m.m_nIcon[1], m.m_nIcon[2]);
      break;
    case kMessageSystemIcon:
      DDBlt(target, x, y - rise, 16, 16, &g_SD[kAccessorySheet], 0, 48, 1);
      break;
    default:
      break;
  }
  return 0;
}

// --- the scene's list and the chara's popup ---------------------------------------------

void cGameScene::UpdateMessageList(DDSURFACEDATA* target, int paused) {
  for (auto it = m_lstMessage.begin(); it != m_lstMessage.end();) {
    if (UpdateMessages(*it, target, paused))
      it = m_lstMessage.erase(it);
    else
      ++it;
  }
}

void cGameScene::ClearMessages() {
  for (cMessage& m : m_lstMessage) m.ReleaseSurface();
  m_lstMessage.clear();
}

void cCharaBase::ShowValuePopup(int value1, int value2, int value3) {
  if (!g_pGameScene) return;
  g_pGameScene->m_lstMessage.emplace_back(kMessageIcon, nullptr, value1, value2, value3, 4, 0, 0, 0, 0, 0, 1,
                                          kMessageTimed, kPopupFrames, 0, m_nId, 0, 0, 0, 0, 0, 0, 0);
}
