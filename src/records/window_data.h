// The main window's placement kept between runs in window mode
// (user_data\Window.dat).
#pragma once
#include "records/record.h"

class cWindowData : public cRecordOf<cWindowData> {
 public:
  int m_nX = 0;         // window position (top-left of the frame)
  int m_nY = 0;
  int m_nWidth = 0;     // client size
  int m_nHeight = 0;
  int m_bMaximized = 0;  // 0/1

  // The smallest client size a stored placement is given.
  static constexpr int kMinSize = 100;

  cWindowData();
  RecordFieldTable FieldTable() const override;

  void Set(int x, int y, int width, int height, int maximized);
  // Reads a placement file and fits it to the desktop; false (record
  // unchanged, one report line for a damaged file) when it cannot be read.
  using cRecord::Load;
  bool Load(const char* file, int desktopWidth, int desktopHeight);
  // Makes a stored placement usable on a desktop of the given size: the
  // client size within kMinSize .. the desktop, the position within
  // 0 .. the desktop edge less kMinSize, so that at least part of the window
  // stays on screen whatever the file held. The maximised flag is kept.
  void FitToDesktop(int desktopWidth, int desktopHeight);
};

extern cWindowData g_WindowData;
