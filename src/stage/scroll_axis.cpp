#include "stage/scroll_axis.h"

#include "records/stage_data.h"

void cScrollAxis::SetAutoSpeed(int on, int speed) {
  m_bAuto = on;
  const int n = g_Stage.m_nSubSteps > 0 ? g_Stage.m_nSubSteps : 1;
  m_dAutoStep = on ? speed * 0.1 / n : 0.0;
}
