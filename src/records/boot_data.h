// The start-up dialog's remembered choice (user_data\Boot.dat).
#pragma once
#include "records/record.h"

class cBootData : public cRecordOf<cBootData> {
 public:
  int m_nDrawMode = 1;  // 1 Direct3D, 0 DirectDraw
  int m_bNoAsk = 0;     // 1: do not show the start-up dialog again

  cBootData();
  RecordFieldTable FieldTable() const override;
};

extern cBootData g_Boot;
