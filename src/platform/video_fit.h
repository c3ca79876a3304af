// Where the game's picture goes on the window's drawable area: as large as
// it fits with its shape kept, centred, the rest left black. Pure
// arithmetic, shared by the presenting and the pointer's mapping.
#pragma once

namespace plat {

struct PictureRect {
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const PictureRect&) const = default;
};

// The picture (pictureW x pictureH) scaled to the largest size that fits an
// area of areaW x areaH with its aspect ratio kept (sizes rounded down),
// centred; the bars get the rest. An empty picture or area gives an empty
// rectangle.
PictureRect FitPicture(int pictureW, int pictureH, int areaW, int areaH);

// A point of the area to the picture pixel under it (rounded down, so points
// in the bars lie outside 0..pictureW-1 / 0..pictureH-1).
void AreaToPicture(const PictureRect& r, int pictureW, int pictureH, int ax, int ay, int* px, int* py);
// The centre of a picture pixel in area coordinates.
void PictureToArea(const PictureRect& r, int pictureW, int pictureH, int px, int py, int* ax, int* ay);

}  // namespace plat
