#include "stage/replay_data.h"

#include "services/log.h"

namespace {
constinit const RecordField kReplayFields[] = {
    T4_FIELD(cReplayData, m_nSeed),
};
}  // namespace

// The vectors and the playback position start empty and zero by their
// initialisers; Clear zeroes the seed.
cReplayData::cReplayData() { Clear(); }
RecordFieldTable cReplayData::FieldTable() const { return kReplayFields; }

int cReplayData::LoadFile(const char* path, cStageData*, cStageData*, cProgressData*) {
  WriteReport("Replay files are not supported yet: %s was not loaded", path ? path : "");
  return 0;
}

int cReplayData::SaveFile(const char* path, const cProgressData&, const cStageData&, const cStageData&) {
  WriteReport("Replay files are not supported yet: %s was not saved", path ? path : "");
  return 0;
}

// STAND-IN: the chooser comes with the replay files; until then there is
// nothing to save, and the request counts as cancelled.
int ShowSaveReplayDialog(std::string*, const char*) { return 0; }
