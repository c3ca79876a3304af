#include "graphics/number.h"

#include "graphics/blit.h"

void DDDrawNumber(DDSURFACEDATA* dst, int x, int y, int cw, int ch, DDSURFACEDATA* sheet, int sx, int sy, int key,
                  int value, int n, int centre, int /*unused*/) {
  // A negative value would index cells left of the sheet's first digit.
  if (value < 0) value = 0;
  int digits[10];
  int count = 0;
  do {
    digits[count++] = value % 10;
    value /= 10;
  } while (value > 0 && count < 10);
  if (count < n) {
    const int shift = cw * (n - count);
    x += centre ? shift / 2 : shift;
  }
  for (int i = count - 1; i >= 0; --i) {
    DDBlt(dst, x, y, cw, ch, sheet, sx + cw * digits[i], sy, key);
    x += cw;
  }
}
