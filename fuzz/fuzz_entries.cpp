#include "fuzz_entries.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "flow/flow_records.h"
#include "frontend/save_slot.h"
#include "flow/flow_words.h"
#include "graphics/bitmap_file.h"
#include "platform/audio.h"
#include "platform/input.h"
#include "platform/midi_device.h"
#include "records/boot_data.h"
#include "records/database.h"
#include "records/option_data.h"
#include "records/palette_data.h"
#include "records/progress_data.h"
#include "records/ranking_data.h"
#include "records/stage_data.h"
#include "records/start_option.h"
#include "records/system_data.h"
#include "records/window_data.h"
#include "records/worldmap_data.h"
#include "services/input.h"
#include "services/keyconfig.h"
#include "services/log.h"
#include "services/midi.h"
#include "services/midi_stream.h"
#include "services/sound.h"
#include "stage/replay_data.h"
#include "stage/stage_load.h"

namespace {

FuzzOutcome Loaded(bool ok) {
  FuzzOutcome r;
  r.loaded = ok;
  return r;
}

FuzzOutcome Broken(std::string why) {
  FuzzOutcome r;
  r.loaded = true;
  r.broken = std::move(why);
  return r;
}

// The program's database is the one every table is built from; an entry
// that loads into it puts the defaults back afterwards, so the entries stay
// independent of each other and of whatever ran before.
class cScopedDatabase {
 public:
  cScopedDatabase() : m_Saved(g_Database) { g_Database.SetDefault(); }
  ~cScopedDatabase() { g_Database = std::move(m_Saved); }
  cScopedDatabase(const cScopedDatabase&) = delete;
  cScopedDatabase& operator=(const cScopedDatabase&) = delete;

 private:
  cDatabase m_Saved;
};

// Start-up reads the ten files into g_Database and builds the tables of the
// anime, effect, chara-effect and screen-effect lists from them at once.
template <class T>
FuzzOutcome LoadDatabase(const std::string& path, cCheckedVector<T> cDatabase::*list) {
  cScopedDatabase scope;
  if (LoadDatabaseFile(g_Database.*list, path.c_str()) != DatabaseLoad::Loaded) return Loaded(false);
  if ((g_Database.*list).empty()) return Broken("a loaded list is empty");
  g_Database.ResetFirstEntries();
  g_Database.FillReverseCopies();
  cPatternTable anime, effect;
  BuildAnimePatternTable(anime, g_Database);
  BuildEffectPatternTable(effect, g_Database);
  cCheckedVector<cCharaEffectParams> charaForward, charaReverse;
  cCheckedVector<cScrEffectParams> scrForward, scrReverse;
  BuildCharaEffectStates(charaForward, charaReverse);
  BuildScrEffectStates(scrForward, scrReverse);
  return Loaded(true);
}

FuzzOutcome AnimeSet(const std::string& p) { return LoadDatabase(p, &cDatabase::m_vecAnimeSet); }
FuzzOutcome Anime(const std::string& p) { return LoadDatabase(p, &cDatabase::m_vecAnime); }
FuzzOutcome BmpCharaExc(const std::string& p) { return LoadDatabase(p, &cDatabase::m_vecBmpCharaExc); }
FuzzOutcome SwordType(const std::string& p) { return LoadDatabase(p, &cDatabase::m_vecSwordType); }
FuzzOutcome Effect(const std::string& p) { return LoadDatabase(p, &cDatabase::m_vecEffect); }
FuzzOutcome CharaEffect(const std::string& p) { return LoadDatabase(p, &cDatabase::m_vecCharaEffect); }
FuzzOutcome ScrEffect(const std::string& p) { return LoadDatabase(p, &cDatabase::m_vecScrEffect); }
FuzzOutcome Picture(const std::string& p) { return LoadDatabase(p, &cDatabase::m_vecPicture); }
FuzzOutcome Sound(const std::string& p) { return LoadDatabase(p, &cDatabase::m_vecSound); }
FuzzOutcome Bgm(const std::string& p) { return LoadDatabase(p, &cDatabase::m_vecBgm); }

FuzzOutcome SystemDat(const std::string& path) {
  cSystemData data;
  if (!data.LoadFromFile(path.c_str())) return Loaded(false);
  // Every reader indexes these lists up to their fixed lengths unchecked.
  const std::pair<int, int> lengths[] = {
      {data.m_vecCarryFlag.Size(), kCarryKindCount},   {data.m_vecCarryClear.Size(), kCarryKindCount},
      {data.m_vecStatus.Size(), kStatusEntryCount},    {data.m_vecStartLives.Size(), kGameModeCount},
      {data.m_vecInfiniteLives.Size(), kGameModeCount}, {data.m_vecModeRanking.Size(), kGameModeCount},
      {data.m_vecText.Size(), kSystemTextCount},       {data.m_vecSoundFile.Size(), kSystemSoundCount},
      {data.m_vecBgm.Size(), kSystemBgmSlotCount},     {data.m_vecBgmLoop.Size(), kSystemBgmSlotCount},
      {data.m_vecStartOption.Size(), kStartOptionCount}, {data.m_vecTitleMenu.Size(), kTitleMenuCount},
      {data.m_vecWorldMenu.Size(), kWorldMenuCount},   {data.m_vecOptionMenu.Size(), kOptionMenuCount},
      {data.m_vecEntryModeText.Size(), kEntryModeCount},
  };
  for (const auto& [size, needed] : lengths)
    if (size < needed) return Broken(Format("a list of %d entries where %d are read", size, needed));
  for (const cSystemFlagListData& mode : data.m_vecModeRanking)
    if (mode.m_vecKind.Size() < kRankingKindCount) return Broken("a game mode without its five ranking kinds");
  STARTOPTION option;
  SetStartOptionDefaults(option, data.m_vecStartOption);
  (void)GetFontFaceName(data.m_nFontFace);
  return Loaded(true);
}

FuzzOutcome WorldMapDat(const std::string& path) {
  cWorldMapData map;
  if (!map.LoadFromFile(path.c_str())) return Loaded(false);
  if (map.m_nWidth <= 0 || map.m_nHeight <= 0 || map.m_nPitch != (1 << map.m_nPitchShift) ||
      map.m_nPitch < map.m_nWidth || int64_t(map.m_vecCell.size()) != (int64_t(map.m_nHeight) << map.m_nPitchShift))
    return Broken("the grid does not match the map's size");
  // The story starts on the start cell. Nodes past the grid are dropped;
  // nodes at negative cells stay, never reached.
  if (map.m_nStartX < 0 || map.m_nStartX >= map.m_nWidth || map.m_nStartY < 0 || map.m_nStartY >= map.m_nHeight)
    return Broken(Format("start cell (%d, %d) outside the %d x %d map", map.m_nStartX, map.m_nStartY, map.m_nWidth,
                         map.m_nHeight));
  for (const cWorldNodeData& node : map.m_vecNode)
    if (node.m_nX >= map.m_nWidth || node.m_nY >= map.m_nHeight)
      return Broken(Format("node at (%d, %d) past the %d x %d map", node.m_nX, node.m_nY, map.m_nWidth,
                           map.m_nHeight));
  return Loaded(true);
}

FuzzOutcome OptionDat(const std::string& path) {
  cOptionData option;
  if (!option.LoadFromFile(path.c_str())) return Loaded(false);
  (void)GetSeVolume(option.m_nSeVolume);
  return Loaded(true);
}

FuzzOutcome KeyConfigDat(const std::string& path) {
  KEYCONFIG config{};
  SetDefaultKeyConfig(&config);
  if (!LoadKeyConfig(path.c_str(), &config)) return Loaded(false);
  if (config.count < 0 || config.count > KEYCONFIG_ASSIGNS) return Broken("assignment count outside 0..12");
  if (config.joysticks < 0 || config.joysticks > plat::kMaxJoysticks) return Broken("joystick count out of range");
  return Loaded(true);
}

FuzzOutcome BootDat(const std::string& path) {
  cBootData boot;
  return Loaded(boot.LoadFromFile(path.c_str()));
}

FuzzOutcome WindowDat(const std::string& path) {
  constexpr int kDesktopWidth = 1920, kDesktopHeight = 1080;
  cWindowData window;
  if (!window.Load(path.c_str(), kDesktopWidth, kDesktopHeight)) return Loaded(false);
  if (window.m_nWidth < cWindowData::kMinSize || window.m_nWidth > kDesktopWidth ||
      window.m_nHeight < cWindowData::kMinSize || window.m_nHeight > kDesktopHeight || window.m_nX < 0 ||
      window.m_nY < 0 || window.m_nX > kDesktopWidth - cWindowData::kMinSize ||
      window.m_nY > kDesktopHeight - cWindowData::kMinSize)
    return Broken("a placement that is not on the desktop");
  return Loaded(true);
}

bool Outside(int index, int size) { return index < 0 || index >= size; }

// What cFlowCmd::Validate promises: a kind of the tables with its parameter
// count, database references inside their lists, the same for nested flows.
std::string CheckCommands(const std::vector<cFlowCmd>& cmds);
std::string CheckFlows(const std::vector<cFlow>& flows) {
  for (const cFlow& f : flows)
    if (std::string why = CheckCommands(f.m_vecCmd); !why.empty()) return why;
  return "";
}
std::string CheckCommands(const std::vector<cFlowCmd>& cmds) {
  const cDatabase& db = g_Database;
  for (const cFlowCmd& c : cmds) {
    const CMDNAME* name = FindCmdName(c.m_byCategory, c.m_byKind);
    if (!name) return Format("command of category %d and kind %d", c.m_byCategory, c.m_byKind);
    if (c.m_vecParam.size() != static_cast<size_t>(name->m_nParamCount))
      return Format("command kind %d with %zu parameters", c.m_byKind, c.m_vecParam.size());
    if (Outside(c.m_sAnime, db.m_vecAnime.Size()) || Outside(c.m_sSound, db.m_vecSound.Size()))
      return "command naming an anime or sound outside its list";
    if (std::string why = CheckFlows(c.m_vecFlow); !why.empty()) return why;
  }
  return "";
}

// What cCharaData::Validate promises.
std::string CheckChara(const cCharaData& c) {
  const cDatabase& db = g_Database;
  if (c.m_cSize <= 0) return "a chara of size 0 or less";
  if (Outside(c.m_sAnimeSet, db.m_vecAnimeSet.Size()) || Outside(c.m_sStartEffect, db.m_vecCharaEffect.Size()) ||
      Outside(c.m_sDeathEffect, db.m_vecCharaEffect.Size()) || Outside(c.m_sBodyEffect, db.m_vecEffect.Size()))
    return "a chara naming a database entry outside its list";
  return CheckFlows(c.m_vecFlow);
}

std::string CheckTemplates(const std::vector<cCharaData>& charas, const std::vector<cItemData>& items) {
  for (const cCharaData& c : charas)
    if (std::string why = CheckChara(c); !why.empty()) return why;
  for (const cItemData& i : items)
    if (std::string why = CheckCommands(i.m_vecCmd); !why.empty()) return why;
  return "";
}

// What a stage hands to play: the settings inside their bounds, the palette
// lists at their least lengths, every template's references inside the
// database and every carried item among the placed ones.
std::string CheckStage(const cStageData& stage) {
  if (stage.m_nHitLevel < cStageData::kMinHitLevel || stage.m_nHitLevel > cStageData::kMaxHitLevel ||
      stage.m_nSubSteps < 1)
    return "hit level outside its bounds";
  if (stage.m_nBgm < 0 || stage.m_nBgm >= g_Database.m_vecBgm.Size()) return "music entry outside the list";
  if (stage.m_vecPaletteBlock.size() < 2 || stage.m_vecPaletteChara.size() < 2 || stage.m_vecPaletteItem.size() < 2)
    return "a palette list of fewer than two entries";
  if (std::string why = CheckTemplates(stage.m_vecPaletteChara, stage.m_vecPaletteItem); !why.empty())
    return "palette: " + why;
  if (std::string why = CheckTemplates(stage.m_vecChara, stage.m_vecItem); !why.empty()) return why;
  for (const cCharaData& c : stage.m_vecChara)
    if (c.m_nCarryItem < -1 || c.m_nCarryItem >= stage.m_vecItem.Size()) return "a chara carrying no placed item";
  return "";
}

// The play load: the end-marker check, the read, the hero check and the
// start copy of the settings.
FuzzOutcome Stage(const std::string& path) {
  if (!CheckStageFileMarker(path)) return Loaded(false);
  cStageData stage;
  if (!stage.LoadFromFile(path.c_str())) return Loaded(false);
  if (std::string why = CheckStage(stage); !why.empty()) return Broken(why);
  (void)stage.HasHero();
  cStageData start;
  start.CopySettingsFrom(stage);
  return Loaded(true);
}

FuzzOutcome CommonPalette(const std::string& path) {
  cPaletteData palette;
  if (!palette.LoadFromFile(path.c_str())) return Loaded(false);
  if (palette.m_vecBlock.size() < 2 || palette.m_vecChara.size() < 2 || palette.m_vecItem.size() < 2)
    return Broken("a palette list of fewer than two entries");
  if (std::string why = CheckTemplates(palette.m_vecChara, palette.m_vecItem); !why.empty()) return Broken(why);
  return Loaded(true);
}

FuzzOutcome Bitmap(const std::string& path) {
  BitmapImage image;
  if (!ReadBitmapFile(path, &image)) return Loaded(false);
  const size_t pixels = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  if (image.width <= 0 || image.height <= 0 || image.pixels.size() != pixels ||
      (image.Paletted() && image.indices.size() != pixels))
    return Broken("the pixels do not match the size");
  return Loaded(true);
}

FuzzOutcome Wave(const std::string& path) {
  // The sound-effect load, down to the voice the mixer plays.
  int voice = 0;
  const bool ok = DSCreateBufferFromWave(&voice, path.c_str());
  if (voice) plat::ReleaseVoice(voice);
  return Loaded(ok);
}

// The conversion, then every buffer the stream player would send, start to end.
FuzzOutcome Midi(const std::string& path) {
  cMidi midi(path.c_str());
  if (!midi.HasImage()) return Loaded(false);
  const std::vector<uint8_t>& image = midi.Image();
  if (image.size() < kMidiImageFirstEvent) return Broken("an image shorter than its header");
  const uint32_t declared = uint32_t{image[18]} << 24 | uint32_t{image[19]} << 16 | uint32_t{image[20]} << 8 | image[21];
  if (declared != image.size() - kMidiImageFirstEvent) return Broken("the track length does not match the image");
  std::vector<uint8_t> buffer(kMidiBufferSize);
  plat::MidiHeader header;
  header.lpData = buffer.data();
  header.dwBufferLength = kMidiBufferSize;
  uint32_t position = kMidiImageFirstEvent;
  while (position < image.size()) {
    const uint32_t used = cMidiStream::FillBuffer(image, position, &header);
    if (header.dwBytesRecorded > kMidiBufferSize) return Broken("a buffer filled past its end");
    // A buffer that takes nothing would be sent again and again.
    if (used == 0) return Broken(Format("the stream stalls at image byte %u", position));
    position += used;
  }
  return Loaded(true);
}

FuzzOutcome SystemIni(const std::string& path) {
  static const cSystemData defaults;
  STARTOPTION option;
  SetStartOptionDefaults(option, defaults.m_vecStartOption);
  if (!ReadSystemIni(path, option, defaults.m_vecStartOption)) return Loaded(false);
  if (std::find(std::begin(option.FreeStage), std::end(option.FreeStage), '\0') == std::end(option.FreeStage))
    return Broken("a FreeStage without its terminator");
  return Loaded(true);
}

// --- the player's own files: story slots, rankings, replays -------------------

// Where these files live, relative to the project folder (the current
// directory while the program runs).
constexpr const char* kStorySlotFile = "user_data/story/Story01.dat";  // slot 0
constexpr const char* kRankingFile = "user_data/free/Stage1.rkg";     // free play's ranking of Stage1
constexpr const char* kRankingStem = "data\\stg4\\Stage1.";
constexpr int kFreePlayMode = 2;

// The progress record is read against the world map and System.dat, and the
// slot loader reads into g_Progress: an entry starts all three as a new
// project's at the title (the challenge list fitted) and puts the ones
// before back afterwards.
class cScopedProgressGlobals {
 public:
  cScopedProgressGlobals() : m_System(g_SystemData), m_Map(g_WorldMap), m_Progress(g_Progress) {
    static const cSystemData system;
    static const cWorldMapData map;
    g_SystemData = system;
    g_WorldMap = map;
    g_Progress = cProgressData();
    g_Progress.Normalize();
  }
  ~cScopedProgressGlobals() {
    g_SystemData = std::move(m_System);
    g_WorldMap = std::move(m_Map);
    g_Progress = std::move(m_Progress);
  }
  cScopedProgressGlobals(const cScopedProgressGlobals&) = delete;
  cScopedProgressGlobals& operator=(const cScopedProgressGlobals&) = delete;

 private:
  cSystemData m_System;
  cWorldMapData m_Map;
  cProgressData m_Progress;
};

// The project folder the stored file's relative name starts from, as the
// current directory until the scope ends.
class cScopedProjectFolder {
 public:
  cScopedProjectFolder(const std::string& storedPath, const char* relative) {
    const size_t cut = std::strlen(relative) + 1;
    if (storedPath.size() <= cut) return;
    std::error_code ec;
    m_Old = std::filesystem::current_path(ec);
    if (ec) return;
    std::filesystem::current_path(storedPath.substr(0, storedPath.size() - cut), ec);
    m_bEntered = !ec;
  }
  ~cScopedProjectFolder() {
    std::error_code ec;
    if (m_bEntered) std::filesystem::current_path(m_Old, ec);
    if (ec) std::abort();  // every later relative path would be wrong
  }
  cScopedProjectFolder(const cScopedProjectFolder&) = delete;
  cScopedProjectFolder& operator=(const cScopedProjectFolder&) = delete;
  bool Entered() const { return m_bEntered; }

 private:
  std::filesystem::path m_Old;
  bool m_bEntered = false;
};

// What FitLists and Normalize promise every reader of the record: the lists
// at the lengths they are indexed up to (25 carry marks, one carried hero,
// 1000 world flags, 1001 variables and their start copy), the map cursor on
// the map, the challenge list at System.dat's stage count with no more
// stages open, and carried heroes that keep a template's promises.
std::string CheckProgress(const cProgressData& p) {
  if (p.m_vecCarryFlag.Size() != kCarryKindCount || p.m_vecCharaSave.empty() || p.m_vecWorldFlag.Size() < 1000 ||
      p.m_vecVar.Size() < 1001 || p.m_vecVarStart.Size() < 1001)
    return "a list shorter than its readers index";
  if (Outside(p.m_nMapX, g_WorldMap.m_nWidth) || Outside(p.m_nMapY, g_WorldMap.m_nHeight))
    return Format("map cursor (%d, %d) off the %d x %d map", p.m_nMapX, p.m_nMapY, g_WorldMap.m_nWidth,
                  g_WorldMap.m_nHeight);
  const int stages = std::max(0, g_SystemData.m_nChallengeStages);
  if (p.m_vecChallenge.Size() != stages || p.m_nChallengeOpen > stages)
    return Format("%d challenge records, %d open, of %d stages", p.m_vecChallenge.Size(), p.m_nChallengeOpen, stages);
  for (const cCharaSave& save : p.m_vecCharaSave)
    if (std::string why = CheckChara(save.m_Chara); !why.empty()) return "carried hero: " + why;
  return "";
}

// The title's continue: slot 0 read into the progress record.
FuzzOutcome StorySlot(const std::string& path) {
  cScopedProgressGlobals globals;
  cScopedProjectFolder project(path, kStorySlotFile);
  if (!project.Entered()) return Broken("the project folder could not be entered");
  const bool ok = LoadStorySlot(0);
  if (std::string why = CheckProgress(g_Progress); !why.empty()) return Broken(why);
  if (ok) {
    // The run keeps the slot number its file holds, whatever slot it came from.
    cProgressData stored;
    if (stored.LoadFromFile(MakeStorySlotFileName(0).c_str()) && g_Progress.m_nSaveSlot != stored.m_nSaveSlot)
      return Broken("a loaded slot that does not keep the slot number of its file");
  }
  return Loaded(ok);
}

// A stage's ranking as the results screen reads it (reset on a refusal),
// then a new result put in each list.
FuzzOutcome Ranking(const std::string& path) {
  cScopedProjectFolder project(path, kRankingFile);
  if (!project.Entered()) return Broken("the project folder could not be entered");
  cRankingData ranking;
  const bool ok = LoadRanking(ranking, kFreePlayMode, kRankingStem, 0, 0, 0);
  if (ranking.m_vecList.Size() != kRankingKindCount) return Broken("not one list per ranking kind");
  for (cRankingList& list : ranking.m_vecList) {
    if (list.m_vecEntry.Size() != kRankingPlaces) return Broken(Format("a list of %d places", list.m_vecEntry.Size()));
    list.Insert("new", 100);
  }
  return Loaded(ok);
}

// Watching a replay: the file into a stage, its start copy, the record and
// the progress, then its frames played (as many as a short attempt has).
FuzzOutcome Replay(const std::string& path) {
  cScopedProgressGlobals globals;
  cStageData stage, start;
  cReplayData replay;
  cProgressData progress = g_Progress;  // what a file of before 173 goes on with
  if (!replay.LoadFile(path.c_str(), &stage, &start, &progress)) return Loaded(false);
  if (!stage.HasHero()) return Broken("a replay stage without a hero");
  if (std::string why = CheckStage(stage); !why.empty()) return Broken("stage: " + why);
  if (replay.m_vecDirValue.size() != replay.m_vecDirRun.size() ||
      replay.m_vecButtonValue.size() != replay.m_vecButtonRun.size())
    return Broken("channel values without their runs");
  for (const std::vector<int32_t>* runs : {&replay.m_vecDirRun, &replay.m_vecButtonRun})
    if (std::any_of(runs->begin(), runs->end(), [](int32_t run) { return run < 1; }))
      return Broken("a run of no frames");
  if (std::string why = CheckProgress(progress); !why.empty()) return Broken("progress: " + why);
  cInput input;
  for (int frame = 0; frame < 4096 && replay.PlayFrame(input) == 0; ++frame) {
  }
  return Loaded(true);
}

const FuzzEntry kFuzzEntries[] = {
    {"db_animeset", "AnimeSet.dat", true, &AnimeSet},
    {"db_anime", "Anime.dat", true, &Anime},
    {"db_bmp_charaexc", "Bmp_CharaExc.dat", true, &BmpCharaExc},
    {"db_swordtype", "SwordType.dat", true, &SwordType},
    {"db_effect", "Effect.dat", true, &Effect},
    {"db_charaeffect", "CharaEffect.dat", true, &CharaEffect},
    {"db_screffect", "ScrEffect.dat", true, &ScrEffect},
    {"db_picture", "Picture.dat", true, &Picture},
    {"db_sound", "Sound.dat", true, &Sound},
    {"db_bgm", "Bgm.dat", true, &Bgm},
    {"system_dat", "System.dat", true, &SystemDat},
    {"worldmap_dat", "WorldMap.dat", true, &WorldMapDat},
    {"option_dat", "Option.dat", true, &OptionDat},
    {"keyconfig_dat", "KeyConfig.dat", true, &KeyConfigDat},
    {"boot_dat", "Boot.dat", true, &BootDat},
    {"window_dat", "Window.dat", true, &WindowDat},
    {"stage", "Stage1.stg4_778", true, &Stage},
    {"common_palette", "CommonPalette.cplt4", true, &CommonPalette},
    {"bmp", "Picture.bmp", true, &Bitmap},
    {"wav", "Sound.wav", true, &Wave},
    {"midi", "Music.mid", true, &Midi},
    {"system_ini", "System.ini", true, &SystemIni},
    {"story_slot", kStorySlotFile, true, &StorySlot},
    {"ranking", kRankingFile, true, &Ranking},
    {"replay", "Replay.rpl4_778", true, &Replay},
};

bool WriteBytes(const std::string& path, std::span<const uint8_t> bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return ::close(fd) == 0 && done == bytes.size();
}

}  // namespace

std::span<const FuzzEntry> FuzzEntries() { return kFuzzEntries; }

const FuzzEntry* FindFuzzEntry(std::string_view name) {
  for (const FuzzEntry& e : kFuzzEntries)
    if (name == e.name) return &e;
  return nullptr;
}

void PrepareFuzzLoaders() {
  g_dwDataVersion = kRecordDataVersion;
  g_bDeleteCR = 1;
}

FuzzOutcome RunFuzzEntry(const FuzzEntry& entry, std::span<const uint8_t> bytes, const std::string& folder) {
  const std::string path = folder + "/" + entry.fileName;
  bool written = WriteBytes(path, bytes);
  if (!written) {
    // A name inside the project's folders: they are made on first use.
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    written = !ec && WriteBytes(path, bytes);
  }
  if (!written) return Broken("the scratch file could not be written: " + path);
  return entry.run(path);
}
