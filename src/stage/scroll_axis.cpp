#include "stage/scroll_axis.h"

#include "records/stage_data.h"

void cScrollAxis::SetAutoSpeed(int on, int speed) {
  m_bAuto = on;
  const int n = g_Stage.m_nSubSteps > 0 ? g_Stage.m_nSubSteps : 1;
  m_dAutoStep = on ? speed * 0.1 / n : 0.0;
}

void cScrollAxis::Clamp(int) {
  if (m_dPos < m_nMin) {
    m_dPos = m_nMin;
    m_bAtLimit = 1;
  } else if (m_dPos + m_nView >= m_nMax) {
    m_dPos = m_nMax - m_nView;
    if (m_dPos < m_nMin) m_dPos = m_nMin;
    m_bAtLimit = 1;
  } else {
    m_bAtLimit = 0;
  }
}

void cScrollAxis::Step() {
  m_dPos += m_dAutoStep;
  Clamp(0);
}

void cScrollAxis::SetBounds(int first, int last, int firstOn, int lastOn) {
  m_nMin = firstOn ? m_nBaseMin + first * 32 : m_nBaseMin;
  if (lastOn) {
    const int upper = m_nBaseMin + (last + 1) * 32;
    m_nMax = upper > m_nMin ? upper : m_nMin;
  } else {
    m_nMax = m_nBaseMax;
  }
}
