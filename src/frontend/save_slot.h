// The story save slots 01 to 99 (user_data\story\StoryNN.dat) and the
// challenge file (user_data\challenge\Challenge.dat): the progress record
// written to and read back from them, the slot headers the slot lists show,
// and the drawing of such a list.
#pragma once
#include <cstdint>
#include <string>

#include "graphics/surface.h"
#include "records/checked.h"
#include "records/record.h"

constexpr int kSaveSlotCount = 99;

class cSaveSlot : public cRecordOf<cSaveSlot> {
 public:
  int m_bExists = 0;           // the slot file was found
  uint16_t m_stTime[8] = {};   // its save time: year, month, weekday, day, hour, minute, second, ms

  cSaveSlot();
  RecordFieldTable FieldTable() const override;
};

// Slot i (from 0) is file number i + 1.
extern cCheckedVector<cSaveSlot> g_vecSaveSlot;

// "user_data\story\StoryNN.dat" for slot i (NN = i + 1, two digits).
std::string MakeStorySlotFileName(int slot);

// Writes g_Progress, stamped with the local time, to the slot's file through
// the atomic writer. True only when the file was written; only then does the
// slot's header count as used and take the time. A failure writes one report
// line and keeps the old file and the record's previous save time. Slot -1
// (no slot chosen yet: an autosave before the first save) writes nothing and
// returns false without a report.
bool SaveStorySlot(int slot);

// Reads the slot's file into a scratch record and takes it into g_Progress
// only when it is whole; then the slot becomes the current one and the lives
// rule of story mode applies. A missing or damaged file plays the error
// sound (3), writes one report line and changes nothing; false then.
bool LoadStorySlot(int slot);

// Reads the challenge file into g_Progress (only a whole file is taken) and
// applies the lives rule of challenge mode. False when it is missing or
// damaged (a damaged one is reported); the caller starts a new run then.
bool LoadChallenge();

// Each slot header from its file: missing -> not used; present -> used,
// with the save time the file holds (a damaged file shows as used, and
// loading it fails).
void ScanSaveSlots(cCheckedVector<cSaveSlot>& slots);

// A window of 320 x (rows x 16) at (x, y) listing slots top .. top + rows - 1:
// the slot number and, for a used slot, its save time; a line of colour 240
// between the rows.
void DrawSaveSlots(DDSURFACEDATA* dst, int x, int y, const cCheckedVector<cSaveSlot>& slots, int top, int rows);
