#include "graphics/batch.h"

#include <algorithm>
#include <vector>

#include "graphics/blit.h"
#include "graphics/display.h"

namespace {

struct SpriteRecord {
  long long key;
  DDSURFACEDATA* dst;
  DDSURFACEDATA* src;
  int x, y, w, h, sx, sy, sw, sh;
  int transmit;
  D3DCOLOR drawColor;
  DWORD colorOp, alphaOp;
};

struct RectRecord {
  DDSURFACEDATA* target;
  int x, y, w, h;
  D3DCOLOR color;
};

struct SpriteBatch {
  bool open = false;
  int order = 0;
  std::vector<SpriteRecord> records;  // capacity kept between frames
  std::vector<std::pair<DDSURFACEDATA*, long long>> orderList;
  long long counter = 0;
  int lastRuns = 0;
};

struct RectBatch {
  bool open = false;
  std::vector<RectRecord> records;
  int lastRuns = 0;
};

SpriteBatch& Sprites() {
  static SpriteBatch b;
  return b;
}
RectBatch& Rects() {
  static RectBatch b;
  return b;
}

bool SameRun(const SpriteRecord& a, const SpriteRecord& b) {
  return a.dst == b.dst && a.src == b.src && a.transmit == b.transmit && a.drawColor == b.drawColor &&
         a.colorOp == b.colorOp && a.alphaOp == b.alphaOp;
}

// True when records [start, end) lie in rows of side-by-side rectangles, each
// row below every rectangle before it (the tiles of a picture repeated over
// the screen): then no record's clear can touch another record's quad, and
// each may be cleared and drawn in one pass.
bool Tiled(const std::vector<SpriteRecord>& records, size_t start, size_t end) {
  int rowY = 0, rowH = 0, right = 0, bottom = 0;
  for (size_t k = start; k < end; ++k) {
    const SpriteRecord& r = records[k];
    if (r.w <= 0 || r.h <= 0) return false;
    if (k > start && r.y == rowY && r.h == rowH && r.x >= right) {
      right = r.x + r.w;
      continue;
    }
    if (k > start && r.y < bottom) return false;
    rowY = r.y;
    rowH = r.h;
    right = r.x + r.w;
    bottom = std::max(bottom, r.y + r.h);
  }
  return true;
}

}  // namespace

bool DDSpriteBatchOpen() { return lpDTCon && Sprites().open; }
bool DDRectBatchOpen() { return lpDTCon && Rects().open; }

void DDBeginSpriteBatch(int order) {
  if (!lpDTCon) return;
  SpriteBatch& b = Sprites();
  b.open = true;
  b.order = order;
  b.records.clear();
  b.orderList.clear();
  b.counter = 0;
}

void DDSetSpriteOrder(DDSURFACEDATA* texture) {
  SpriteBatch& b = Sprites();
  if (!lpDTCon || !b.open || !b.order) return;
  for (const auto& entry : b.orderList)
    if (entry.first == texture) return;
  b.orderList.emplace_back(texture, static_cast<long long>(b.orderList.size()) * 100000 + 100000);
}

void DDAppendSprite(DDSURFACEDATA* dst, DDSURFACEDATA* src, int x, int y, int w, int h, int sx, int sy, int sw,
                    int sh, int key) {
  SpriteBatch& b = Sprites();
  long long sortKey = 0;
  if (b.order)
    for (const auto& entry : b.orderList)
      if (entry.first == src) sortKey = entry.second;
  b.records.push_back(SpriteRecord{sortKey + b.counter, dst, src, x, y, w, h, sx, sy, sw, sh, key,
                                   lpDTCon->dwDrawColor, lpDTCon->dwColorOp, lpDTCon->dwAlphaOp});
  ++b.counter;
}

void DDEndSpriteBatch() {
  if (!lpDTCon) return;
  SpriteBatch& b = Sprites();
  b.lastRuns = 0;
  if (!b.records.empty()) {
    // The keys are unique (registration key plus the running count), so the
    // order of equal keys never decides anything.
    if (b.order)
      std::sort(b.records.begin(), b.records.end(),
                [](const SpriteRecord& l, const SpriteRecord& r) { return l.key < r.key; });
    for (size_t start = 0; start < b.records.size();) {
      size_t end = start + 1;
      while (end < b.records.size() && SameRun(b.records[start], b.records[end])) ++end;
      const SpriteRecord& first = b.records[start];
      DDBeginScene();
      DDSetRenderTarget(0, first.dst);
      const QUADSTATE state{first.drawColor, first.colorOp, first.alphaOp};
      // An unkeyed copy of a keyed texture clears its rectangles first.
      const bool clear = first.transmit == 0 && first.src->lpDT && first.src->lpDT->bTransmit;
      if (clear && Tiled(b.records, start, end)) {
        for (size_t k = start; k < end; ++k) {
          const SpriteRecord& r = b.records[k];
          DDClearAndDrawTexturedQuad(r.dst, r.x, r.y, r.w, r.h, r.src, r.sx, r.sy, r.sw, r.sh, state,
                                     DDKeyClearColor(r.dst));
        }
      } else {
        if (clear)
          for (size_t k = start; k < end; ++k) {
            const SpriteRecord& r = b.records[k];
            DDDeviceClear(r.dst, r.x, r.y, r.w, r.h, DDKeyClearColor(r.dst));
          }
        for (size_t k = start; k < end; ++k) {
          const SpriteRecord& r = b.records[k];
          DDDrawTexturedQuad(r.dst, r.x, r.y, r.w, r.h, r.src, r.sx, r.sy, r.sw, r.sh, state);
        }
      }
      DDSetRenderTarget(0, lpDTCon->lpRenderTargetSD);
      ++b.lastRuns;
      start = end;
    }
  }
  b.records.clear();
  b.orderList.clear();
  b.counter = 0;
  b.open = false;
}

void DDBeginRectBatch() {
  if (!lpDTCon) return;
  Rects().open = true;
  Rects().records.clear();
}

void DDAppendRect(DDSURFACEDATA* target, int x, int y, int w, int h, D3DCOLOR color) {
  Rects().records.push_back(RectRecord{target, x, y, w, h, color});
}

void DDEndRectBatch() {
  if (!lpDTCon) return;
  RectBatch& b = Rects();
  b.lastRuns = 0;
  for (size_t start = 0; start < b.records.size();) {
    size_t end = start + 1;
    while (end < b.records.size() && b.records[end].target == b.records[start].target) ++end;
    DDBeginScene();
    DDSetRenderTarget(0, b.records[start].target);
    for (size_t k = start; k < end; ++k) {
      const RectRecord& r = b.records[k];
      DDDrawColorQuad(r.target, r.x, r.y, r.w, r.h, r.color);
    }
    DDSetRenderTarget(0, lpDTCon->lpRenderTargetSD);
    ++b.lastRuns;
    start = end;
  }
  b.records.clear();
  b.open = false;
}

int DDLastSpriteRunCount() { return Sprites().lastRuns; }
int DDLastRectRunCount() { return Rects().lastRuns; }
