// The program's global objects, all defined here in their construction
// order: one translation unit constructs them in the order written and
// destroys them in the reverse order (g_Ranking first, g_vecDialog last), so
// the thread objects go after everything their threads use and before the
// main window. No constructor here reads another global object, opens a
// file or touches the platform; start-up does that later.
#include "app/globals.h"

#include "graphics/builtin_tables.h"
#include "services/game_threads.h"
#include "app/main_window.h"
#include "stage/menu_cursor.h"
#include "records/progress_data.h"
#include "records/ranking_data.h"
#include "frontend/save_slot.h"
#include "objects/chara.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "records/database.h"
#include "records/effect_state.h"
#include "records/option_data.h"
#include "records/palette_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "records/worldmap_data.h"
#include "services/bgm.h"
#include "services/input.h"
#include "services/sound.h"
#include "stage/block_cell.h"
#include "stage/replay_data.h"

namespace {

// Storage whose element destructors never run at exit: the shutdown
// releases these surfaces through the graphics layer, and nothing else may
// touch them after the main function returns.
template <class T>
union NoDestroy {
  T value;
  NoDestroy() : value() {}
  ~NoDestroy() {}
};

}  // namespace

sWindowList g_vecDialog;
cMainWindow g_MainWindow;
cThread thGame;
cThread thPause;
cThread thRanking;
cThread thLoad;
cMenuCursor g_Cursor;
std::vector<cInput> g_vecInput(1, cInput());
cCheckedVector<DDSURFACEDATA> g_vecCharaExcSD;
cCheckedVector<DDSURFACEDEF> g_vecCharaExcSDDef;
cCheckedVector<DDSURFACEDATA> g_vecSwordSD;
cCheckedVector<DDSURFACEDEF> g_vecSwordSDDef;
cCheckedVector<DDSURFACEDATA> g_vecEffectSD;
cCheckedVector<DDSURFACEDEF> g_vecEffectSDDef;
cCheckedVector<DDSURFACEDATA> g_vecSceneSD;
cCheckedVector<DDSURFACEDEF> g_vecSceneSDDef;
cCheckedList<DDSURFACEDATA> g_lstPictureSD;
cCheckedList<DDSURFACEDEF> g_lstPictureSDDef;
cCheckedList<DDSURFACEDATA> Off_Msg;
cCheckedList<DDSURFACEDEF> g_lstMsgSDDef;
namespace {
NoDestroy<DDSURFACEDATA[kBuiltInSurfaceCount]> g_SDStorage;
}
constinit DDSURFACEDATA (&g_SD)[kBuiltInSurfaceCount] = g_SDStorage.value;
cFont g_TextRenderer[3];
namespace {
NoDestroy<DDSURFACEDATA[kBuiltInFontCount]> g_NumberSDStorage;
}
constinit DDSURFACEDATA (&g_NumberSD)[kBuiltInFontCount] = g_NumberSDStorage.value;
DDSURFACEDEF g_SDDef[kBuiltInSurfaceCount];
FONTDEF g_FontDef[kBuiltInFontCount];
DDSURFACEDEF g_NumberSDDef[kBuiltInFontCount];
namespace {
// The three tables are plain data: filling them is their construction.
const bool g_bBuiltInTablesFilled = (FillBuiltInTables(), true);
}
std::vector<DSSOUNDDATA> g_vecSound;
std::vector<DSSOUNDDEF> g_vecSoundFile;
cBgmManager g_Bgm;
cPaletteData g_CommonPalette;
namespace {
// Templates inheriting from source 1 name the common palette from before
// the program starts (only its address is stored).
const bool g_bCommonInstalled = (g_CommonPalette.InstallAsCommon(), true);
}  // namespace
cSystemData g_SystemData;
cDatabase g_Database;
cPatternTable g_AnimePatternTable;
cPatternTable g_EffectPatternTable;
namespace {
cCheckedVector<cCharaEffectParams> g_CharaEffectForward;
cCheckedVector<cScrEffectParams> g_ScrEffectForward;
cCheckedVector<cCharaEffectParams> g_CharaEffectReverse;
cCheckedVector<cScrEffectParams> g_ScrEffectReverse;
}  // namespace
constinit cEffectParamTables<cCharaEffectParams> g_CharaEffectStates{g_CharaEffectForward, g_CharaEffectReverse};
constinit cEffectParamTables<cScrEffectParams> g_ScrEffectStates{g_ScrEffectForward, g_ScrEffectReverse};
cReplayData g_Replay;
cReplayData g_ReplayPrev;
cCheckedVector<cHero> Player;
cCheckedVector<cBlockCell> g_vecBlockMap;
cCheckedList<cChara> g_lstChara;
cCheckedList<cItem> g_lstItem;
cStageData g_Stage;
cStageData g_StageStart;
cWorldMapData g_WorldMap;
cProgressData g_Progress;
cProgressData g_ProgressReplay;
cProgressData g_ProgressReplayPrev;
cOptionData g_OptionData;
cCheckedVector<cSaveSlot> g_vecSaveSlot(kSaveSlotCount, cSaveSlot());
cRankingData g_Ranking;
