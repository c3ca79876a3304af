// A block template's icon as the editor's palettes show it: its graphic from
// the sprite sheets with the optional mark on top. Drawn here rather than
// with the record because the sheets are the objects' concern.
#include "graphics/blit.h"
#include "objects/sprite_source.h"
#include "records/block_data.h"

void cBlockData::DrawIcon(DDSURFACEDATA* target, int x, int y) {
  SPRITESRC src;
  src.Lookup(kSpriteModeStill, m_byGraphicKind, m_sGraphic, m_sGraphicFrame, nullptr);
  DDBlt(target, x, y, 32, 32, src.lpSD, src.nX, src.nY, 1);
  if (m_bIcon == 1) {
    // Icons run down columns of 15.
    const int n = m_sIcon;
    DDBlt(target, x, y, 32, 32, MarkSheetSurface(), (n / 15) * 32, (n % 15) * 32, 1);
  }
}
