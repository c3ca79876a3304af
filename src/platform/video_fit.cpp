#include "platform/video_fit.h"

#include <cstdint>

namespace plat {
namespace {

// Division rounding towards minus infinity (points left of or above the
// picture must not round onto its first column or row).
int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

}  // namespace

PictureRect FitPicture(int pictureW, int pictureH, int areaW, int areaH) {
  if (pictureW <= 0 || pictureH <= 0 || areaW <= 0 || areaH <= 0) return {};
  PictureRect r;
  // Compared as cross products: no rounding decides which side limits.
  if (int64_t{areaW} * pictureH <= int64_t{areaH} * pictureW) {
    r.w = areaW;
    r.h = static_cast<int>(int64_t{areaW} * pictureH / pictureW);
  } else {
    r.h = areaH;
    r.w = static_cast<int>(int64_t{areaH} * pictureW / pictureH);
  }
  r.x = (areaW - r.w) / 2;
  r.y = (areaH - r.h) / 2;
  return r;
}

void AreaToPicture(const PictureRect& r, int pictureW, int pictureH, int ax, int ay, int* px, int* py) {
  if (r.w <= 0 || r.h <= 0) {
    *px = *py = 0;
    return;
  }
  *px = static_cast<int>(FloorDiv(int64_t{ax - r.x} * pictureW, r.w));
  *py = static_cast<int>(FloorDiv(int64_t{ay - r.y} * pictureH, r.h));
}

void PictureToArea(const PictureRect& r, int pictureW, int pictureH, int px, int py, int* ax, int* ay) {
  if (pictureW <= 0 || pictureH <= 0) {
    *ax = r.x;
    *ay = r.y;
    return;
  }
  *ax = r.x + static_cast<int>(FloorDiv((2 * int64_t{px} + 1) * r.w, 2 * int64_t{pictureW}));
  *ay = r.y + static_cast<int>(FloorDiv((2 * int64_t{py} + 1) * r.h, 2 * int64_t{pictureH}));
}

}  // namespace plat
