// One axis of the stage view: where the 640x480 view lies over the map, the
// bounds it scrolls within, the stage's extent on that axis and the
// automatic scroll. The play scene holds a horizontal and a vertical one.
#pragma once

class cScrollAxis {
 public:
  double m_dPos = 0.0;       // map coordinate of the view's left (top) edge
  int m_bAtLimit = 0;        // the last clamp touched a bound
  int m_nAxis = 0;           // 0 horizontal, 1 vertical
  int m_nView = 640;         // 640 or 480
  int m_nMin = 0;            // the view stays within [m_nMin, m_nMax - m_nView]
  int m_nMax = 0;
  int m_nBaseMin = 0;        // bounds without the stage's scroll limits
  int m_nBaseMax = 0;
  int m_nMargin = 10;        // cells of margin around the stage
  int m_nOuter = 0;          // stage size in pixels + 640: the world limit
  int m_nCells = 0;          // stage cells + 20
  int m_nRowWidth = 0;       // horizontal: the block map's row width (a power of two)
  int m_nRowShift = 0;       // horizontal: log2 of the row width; vertical 0
  double m_dAutoStep = 0.0;  // automatic scroll, pixels per sub-step
  int m_bAuto = 0;

  // The stage's own area on this axis: [StageStart(), StageEnd()).
  int StageStart() const { return m_nMargin * 32; }
  int StageEnd() const { return (m_nCells - m_nMargin) * 32; }
  // The automatic speed as the objects' speed corrections see it: 0 while
  // the axis is held at a scroll limit.
  double CarrySpeed() const { return m_bAtLimit ? 0.0 : m_dAutoStep; }
  // The axis scrolls automatically: its automatic speed is not 0, whether
  // or not the view is held at a scroll limit. While it does, the hero does
  // not drag the view and the screen edges hold the hero.
  bool ScrollsAutomatically() const { return m_dAutoStep != 0.0; }
  // The view is moving on its own now: an automatic speed, not held at a
  // limit (the rounding of screen rectangles and the aiming of shots).
  bool ScrollsByItself() const { return ScrollsAutomatically() && !m_bAtLimit; }

  // On: the automatic step becomes speed (tenths of a pixel per frame) x
  // 0.1 / N pixels per sub-step; off: 0.
  void SetAutoSpeed(int on, int speed);
  // Keeps the view within its bounds; touching a bound (the upper one
  // exactly included) sets the at-limit flag. The argument is not read.
  void Clamp(int unused);
  // One automatic step, then the clamp.
  void Step();
  // The scroll limits: first and last cell of the stage the view may show,
  // each only when its switch is on.
  void SetBounds(int first, int last, int firstOn, int lastOn);
};
