// (being written: the stand-ins of free play, progress and replays)
#include "frontend/free_stage.h"
#include "frontend/progress_data.h"
#include "stage/replay_data.h"

namespace {
constinit const RecordField kProgressFields[] = {
    T4_FIELD(cProgressData, m_nStage),
};
constinit const RecordField kReplayFields[] = {
    T4_FIELD(cReplayData, m_nVersion),
};
}  // namespace

cProgressData::cProgressData() { Clear(); }
RecordFieldTable cProgressData::FieldTable() const { return kProgressFields; }
cReplayData::cReplayData() { Clear(); }
RecordFieldTable cReplayData::FieldTable() const { return kReplayFields; }
int cReplayData::LoadFile(const char*, cStageData*, cStageData*, cProgressData*) { return 0; }
int cReplayData::SaveFile(const char*, const cProgressData&, const cStageData&, const cStageData&) { return 0; }
int ShowSaveReplayDialog(std::string*, const char*) { return 0; }
int StartFreeStage(const char*, int) { return 0; }
