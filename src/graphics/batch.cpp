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
      if (first.transmit == 0 && first.src->lpDT && first.src->lpDT->bTransmit)
        for (size_t k = start; k < end; ++k) {
          const SpriteRecord& r = b.records[k];
          DDDeviceClear(r.dst, r.x, r.y, r.w, r.h, DDKeyClearColor(r.dst));
        }
      const QUADSTATE state{first.drawColor, first.colorOp, first.alphaOp};
      for (size_t k = start; k < end; ++k) {
        const SpriteRecord& r = b.records[k];
        DDDrawTexturedQuad(r.dst, r.x, r.y, r.w, r.h, r.src, r.sx, r.sy, r.sw, r.sh, state);
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
