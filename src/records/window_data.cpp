#include "records/window_data.h"

#include <algorithm>

cWindowData g_WindowData;

namespace {
constinit const RecordField kWindowFields[] = {
    T4_FIELD(cWindowData, m_nX),
    T4_FIELD(cWindowData, m_nY),
    T4_FIELD(cWindowData, m_nWidth),
    T4_FIELD(cWindowData, m_nHeight),
    T4_FIELD(cWindowData, m_bMaximized),
};
}  // namespace

RecordFieldTable cWindowData::FieldTable() const { return kWindowFields; }

cWindowData::cWindowData() { Clear(); }

void cWindowData::Set(int x, int y, int width, int height, int maximized) {
  m_nX = x;
  m_nY = y;
  m_nWidth = width;
  m_nHeight = height;
  m_bMaximized = maximized;
}

void cWindowData::FitToDesktop(int desktopWidth, int desktopHeight) {
  // A desktop smaller than the smallest window still gets a window of that size at 0.
  const int maxWidth = std::max(desktopWidth, kMinSize);
  const int maxHeight = std::max(desktopHeight, kMinSize);
  m_nWidth = std::clamp(m_nWidth, kMinSize, maxWidth);
  m_nHeight = std::clamp(m_nHeight, kMinSize, maxHeight);
  m_nX = std::clamp(m_nX, 0, maxWidth - kMinSize);
  m_nY = std::clamp(m_nY, 0, maxHeight - kMinSize);
}

bool cWindowData::Load(const char* file, int desktopWidth, int desktopHeight) {
  if (!LoadFromFile(file)) return false;
  FitToDesktop(desktopWidth, desktopHeight);
  return true;
}
