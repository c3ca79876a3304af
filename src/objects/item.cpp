#include "objects/item.h"

#include "graphics/blit.h"
#include "objects/chara_base.h"
#include "objects/chara_flows.h"
#include "objects/sprite_source.h"
#include "records/stage_data.h"

namespace {

const int kItemBlink[] = {0, 16, 0, 1, 16, 0, -2, 0, 0};

// Templates may hold 0 (and a broken file anything below it); every item
// is drawn at least at its natural size.
int ScaleOf(const cItemData& data) { return data.m_cSize > 0 ? data.m_cSize : 1; }

}  // namespace

const int* const g_apItemBlinkPattern[] = {kItemBlink, nullptr};

cItem::cItem(const cItem& other) : cGameObject(other), m_Data(other.m_Data), m_bPresent(other.m_bPresent) {}

cItem& cItem::operator=(const cItem& other) {
  if (&other == this) return *this;
  CopyFields(other);
  m_Data = other.m_Data;
  m_bPresent = other.m_bPresent;
  return *this;
}

cItem::~cItem() = default;

void cItem::AdjustYForScale(int newFactor, int oldFactor) {
  if (newFactor == oldFactor) return;
  m_dY -= static_cast<double>((newFactor - oldFactor) * (m_nBaseH + m_nBaseImgOffY));
  ClampY(2);
}

int cItem::InitFromTemplate(int id, cItemData& t, int present) {
  if (t.m_cSize <= 0) t.m_cSize = 1;
  m_Data = t;
  const int w = g_Stage.m_nItemW, h = g_Stage.m_nItemH;
  SetParams(id, 0, 0, 0, t.m_sGraphic, g_apItemBlinkPattern, 0, 16 - w / 2, 16 - h / 2, w, h, 32, 32, 0, kPlaceFree,
            0);
  m_bScrollLock = 0;
  m_bPresent = present;
  if (present) m_bAppeared = 1;
  else SetScale(ScaleOf(t), 1);
  return ExpandRepeatCommands(m_Data.m_vecCmd) ? 1 : 0;
}

void cItem::PlaceAtCell(int x, int y) {
  m_dX = (x + 10) * 32.0 + m_nBaseImgOffX + 0.5;
  m_dY = (y + 10) * 32.0 + m_nBaseImgOffY;
  ShiftXForScale(ScaleOf(m_Data), 1);
  ClampX(2);
  ClampY(2);
}

void cItem::Draw(DDSURFACEDATA* target, int step) {
  if (m_Data.m_bHidden) return;
  // An item that was never set up has no blink to read.
  int frame = 0;
  if (m_Anime.PatternCount() > 0) frame = step ? m_Anime.Step() : m_Anime.GetValue();
  SPRITESRC src;
  src.Lookup(kSpriteModeItemFrame, m_Data.m_byGraphicKind, m_Data.m_sGraphic, m_Data.m_sGraphicFrame, nullptr, frame);
  const int s = ScaleOf(m_Data);
  const int c = src.byScale;
  const bool stretch = src.bPreScaled ? s != c : s > 1;
  const int x = m_rcScreen.left, y = m_rcScreen.top;
  if (stretch) {
    if (src.lpSD)
      DDStretchBlt(target, x, y, m_nImgW, m_nImgH, src.lpSD, src.nX, src.nY, m_nBaseImgW * c, m_nBaseImgH * c, 1);
  } else if (src.lpSD1) {
    DDBlt(target, x, y, m_nImgW, m_nImgH, src.lpSD1, src.nX, src.nY, 1);
  }
  if (m_Data.m_bIcon != 1) return;
  // Marks run down columns of 15.
  const int m = m_Data.m_sIcon;
  const int mx = (m / 15) * 32, my = (m % 15) * 32;
  if (s > 1) {
    if (DDSURFACEDATA* marks = SelectedMarkSurface())
      DDStretchBlt(target, x, y, m_nImgW, m_nImgH, marks, mx, my, 32, 32, 1);
  } else {
    DDBlt(target, x, y, 32, 32, MarkSheetSurface(), mx, my, 1);
  }
}
