#include "records/system_data.h"

#include <utility>

#include "records/database.h"
#include "services/log.h"

// --- element records -----------------------------------------------------------

namespace {
constinit const RecordField kStatusFields[] = {
    T4_FIELD(cSystemStatusData, m_bShow),
    T4_FIELD(cSystemStatusData, m_bIcon),
    T4_FIELD(cSystemStatusData, m_nDigits),
    T4_FIELD(cSystemStatusData, m_bShowValue).From(204),
    T4_FIELD(cSystemStatusData, m_nWarn).From(587),
    T4_FIELD(cSystemStatusData, m_bWarnPercent).From(587),
    T4_FIELD(cSystemStatusData, m_strName),
};

constinit const RecordField kFlagListFields[] = {
    T4_FIELD(cSystemFlagListData, m_bRanking),
};

constinit const RecordField kOptionFields[] = {
    T4_FIELD(cSystemOptionData, m_nKind),
    T4_FIELD(cSystemOptionData, m_nValue),
    T4_FIELD(cSystemOptionData, m_strName),
    T4_FIELD(cSystemOptionData, m_strValue),
};

// The body in file order (which differs from the declaration order).
constinit const RecordField kSystemFields[] = {
    T4_FIELD(cSystemData, m_bExtraLife).From(185),
    T4_FIELD(cSystemData, m_nExtraLifeScore),
    T4_FIELD(cSystemData, m_bPauseHideStage),
    T4_FIELD(cSystemData, m_bTextIcon),
    T4_FIELD(cSystemData, m_nFontFace).From(205),
    T4_FIELD(cSystemData, m_bGlyphCentre).From(170),
    T4_FIELD(cSystemData, m_bKeepTestFlow).From(113),
    T4_FIELD(cSystemData, m_bReplay).From(184),
    T4_FIELD(cSystemData, m_bTitleMenuCentre).From(157),
    T4_FIELD(cSystemData, m_bKeepLives),
    T4_FIELD(cSystemData, m_bStoryRetry).From(191),
    T4_FIELD(cSystemData, m_bMapShowLives).From(191),
    T4_FIELD(cSystemData, m_nChallengeStages),
    T4_FIELD(cSystemData, m_bChallengeAllOpen),
    T4_FIELD(cSystemData, m_bMapShowScore).From(167),
    T4_FIELD(cSystemData, m_bMenuShowTotal).From(167),
    T4_FIELD(cSystemData, m_bRestoreStory).From(188),
    T4_FIELD(cSystemData, m_bPauseRetryStory).From(224),
    T4_FIELD(cSystemData, m_bSelectShowHighScore).From(167),
    T4_FIELD(cSystemData, m_bSelectShowTotal).From(167),
    T4_FIELD(cSystemData, m_bRestoreChallenge).From(188),
    T4_FIELD(cSystemData, m_bPauseRetryChallenge).From(224),
    T4_FIELD(cSystemData, m_bRestoreFree).From(188),
    T4_FIELD(cSystemData, m_bRestoreTest).From(192),
    T4_FIELD(cSystemData, m_nPaletteMode).From(187),
    T4_FIELD(cSystemData, m_cbTransmitRed).From(187),
    T4_FIELD(cSystemData, m_cbTransmitGreen).From(187),
    T4_FIELD(cSystemData, m_cbTransmitBlue).From(187),
    T4_FIELD(cSystemData, m_bCompat214).From(214),
    T4_DISCARDED(4).From(221).Until(259),
    T4_FIELD(cSystemData, m_bCompat261).From(261),
    T4_FIELD(cSystemData, m_bKeepDeadChara).From(272),
    T4_FIELD(cSystemData, m_bGraphicOffset).From(287),
    T4_FIELD(cSystemData, m_nCycleStep).From(515),
    T4_FIELD(cSystemData, m_bPaletteCycle).From(289),
    T4_FIELD(cSystemData, m_bPauseMapStory).From(757),
    T4_FIELD(cSystemData, m_bCompat525).From(525),
    T4_FIELD(cSystemData, m_bCompat555).From(555),
    T4_FIELD(cSystemData, m_bCompat637).From(637),
    T4_FIELD(cSystemData, m_bCompat669).From(669),
    T4_FIELD(cSystemData, m_bCompat677).From(677),
    T4_FIELD(cSystemData, m_bCompat695).From(695),
    T4_FIELD(cSystemData, m_bCompat696).From(696),
    T4_FIELD(cSystemData, m_bCompat697).From(697),
    T4_FIELD(cSystemData, m_bCompat721).From(721),
    T4_FIELD(cSystemData, m_bCompat728).From(728),
    T4_FIELD(cSystemData, m_bCompat733).From(733),
    T4_FIELD(cSystemData, m_bCompat744).From(744),
    T4_FIELD(cSystemData, m_bCompat749).From(749),
    T4_FIELD(cSystemData, m_bCompat752).From(752),
    T4_FIELD(cSystemData, m_bCompat763a).From(763),
    T4_FIELD(cSystemData, m_bCompat763b).From(763),
    T4_FIELD(cSystemData, m_bCompat768).From(768),
    T4_FIELD(cSystemData, m_bCompat773).From(773),
    T4_FIELD(cSystemData, m_nD3DDepth).From(670),
    T4_FIELD(cSystemData, m_nDDDepth).From(670),
    T4_FIELD(cSystemData, m_strTitle),
};

// String lists keep their carriage returns: only the strings of record
// bodies lose them.
void StringsAsStored(cRecordIO& io, const char* name, std::vector<std::string>& v) {
  const int deleteCR = g_bDeleteCR;
  g_bDeleteCR = 0;
  io.Strings(name, v);
  g_bDeleteCR = deleteCR;
}

// Inserting keeps the length: the last entry is lost.
template <class T>
void InsertKeepLength(cCheckedVector<T>& v, int i, const T& value) {
  for (int k = v.Size() - 1; k > i; --k) v.At(k) = v.At(k - 1);
  v.At(i) = value;
}

cSystemOptionData IntOption(const char* name, int value) {
  cSystemOptionData o;
  o.SetInt(name, value);
  return o;
}

template <class T>
void PadList(cCheckedVector<T>& list, const cCheckedVector<T>& defaults, int need, const char* name, const char* file) {
  if (list.Size() >= need) return;
  WriteReport("%s : %s の項目が %d 個しかないため、既定値で %d 個に補いました", file, name, list.Size(), need);
  for (int i = list.Size(); i < need; ++i) list.push_back(defaults.At(i));
}
}  // namespace

RecordFieldTable cSystemStatusData::FieldTable() const { return kStatusFields; }
cSystemStatusData::cSystemStatusData() { Clear(); }

bool cSystemStatusData::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  if (in.Version() < 204) m_bShowValue = 1;
  return true;
}

RecordFieldTable cSystemFlagListData::FieldTable() const { return kFlagListFields; }
cSystemFlagListData::cSystemFlagListData() {
  Clear();
  m_vecKind.assign(kRankingKindCount, 0);
}
void cSystemFlagListData::Appended(cRecordIO& io) { io.Bytes("m_vecKind", m_vecKind); }

RecordFieldTable cSystemOptionData::FieldTable() const { return kOptionFields; }
cSystemOptionData::cSystemOptionData() { Clear(); }

void cSystemOptionData::SetInt(std::string name, int value) {
  m_strName = std::move(name);
  m_nKind = kInt;
  m_nValue = value;
}

void cSystemOptionData::SetString(std::string name, std::string text) {
  m_strName = std::move(name);
  m_nKind = kString;
  m_strValue = std::move(text);
}

// --- the record ------------------------------------------------------------------

RecordFieldTable cSystemData::FieldTable() const { return kSystemFields; }

cSystemData::cSystemData() { SetDefault(); }

void cSystemData::Appended(cRecordIO& io) {
  const uint32_t v = io.Version();
  io.Bytes("m_vecCarryFlag", m_vecCarryFlag);
  if (v >= 501) io.Bytes("m_vecCarryClear", m_vecCarryClear);
  io.List("m_vecStatus", m_vecStatus);
  io.Ints("m_vecStartLives", m_vecStartLives);
  if (v >= 191) io.Ints("m_vecInfiniteLives", m_vecInfiniteLives);
  if (v >= 186) io.List("m_vecModeRanking", m_vecModeRanking);
  StringsAsStored(io, "m_vecText", m_vecText);
  StringsAsStored(io, "m_vecSoundFile", m_vecSoundFile);
  io.Ints("m_vecBgm", m_vecBgm);
  if (v >= 202) io.Bytes("m_vecBgmLoop", m_vecBgmLoop);
  io.List("m_vecTitleMenu", m_vecTitleMenu);
  io.List("m_vecWorldMenu", m_vecWorldMenu);
  io.List("m_vecOptionMenu", m_vecOptionMenu);
  if (v >= 674) StringsAsStored(io, "m_vecEntryModeText", m_vecEntryModeText);
  io.List("m_vecStartOption", m_vecStartOption);
}

bool cSystemData::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  if (in.Version() < kRecordDataVersion) Upgrade(in.Version());
  PadShortLists(in.FileName().c_str());
  ClampBgm();
  return true;
}

void cSystemData::Save(cRecordWriter& out) {
  ClampBgm();
  cRecord::Save(out);
}

void cSystemData::Upgrade(uint32_t v) {
  if (v < 113) m_bKeepTestFlow = 0;
  if (v < 157) m_bTitleMenuCentre = 0;
  if (v < 167) m_bMapShowScore = m_bMenuShowTotal = m_bSelectShowHighScore = m_bSelectShowTotal = 1;
  if (v < 168) {
    m_vecCarryFlag.resize(kCarryKindCount);
    InsertKeepLength<BYTE>(m_vecCarryFlag, 16, 1);
  }
  if (v < 169) {
    m_vecWorldMenu.resize(4);
    InsertKeepLength(m_vecWorldMenu, 1, cCmd(1, "オートセーブ"));
    m_vecText.resize(kSystemTextCount);
    InsertKeepLength<std::string>(m_vecText, 12, "保存先が不明です！一度は「セーブ」して下さい！");
    InsertKeepLength<std::string>(m_vecText, 12, "オートセーブＯＦＦ");
    InsertKeepLength<std::string>(m_vecText, 12, "オートセーブＯＮ");
  }
  if (v < 170) m_bGlyphCentre = 0;
  if (v < 181) {
    for (int i = 0; i < kGameModeCount; ++i) {
      cSystemFlagListData& mode = m_vecModeRanking.At(i);
      mode.m_vecKind.resize(kRankingKindCount);
      mode.m_vecKind.At(3) = 0;
      mode.m_vecKind.At(4) = 0;
    }
    m_vecText.resize(kSystemTextCount);
    InsertKeepLength<std::string>(m_vecText, 8, "残りHP");
    InsertKeepLength<std::string>(m_vecText, 9, "残りSP");
  }
  if (v < 184) m_bReplay = 1;
  if (v < 185) m_bExtraLife = 1;
  if (v < 187) {
    m_nPaletteMode = 0;
    m_cbTransmitRed = 0;
    m_cbTransmitGreen = 177;
    m_cbTransmitBlue = 0;
  }
  if (v < 188) m_bRestoreStory = m_bRestoreChallenge = m_bRestoreFree = 1;
  if (v < 191) {
    m_vecInfiniteLives.assign({0, 0, 0, 1});
    m_bStoryRetry = 0;
    m_bMapShowLives = 0;
  }
  if (v < 192) m_bRestoreTest = 1;
  if (v < 193) {
    m_vecText.resize(kSystemTextCount);
    InsertKeepLength<std::string>(m_vecText, 22, "リトライ");
    InsertKeepLength<std::string>(m_vecText, 23, "マップへ戻る");
  }
  if (v < 201) {
    m_vecCarryFlag.resize(kCarryKindCount);
    InsertKeepLength<BYTE>(m_vecCarryFlag, 14, 0);
  }
  if (v < 202) m_vecBgmLoop.assign(kSystemBgmSlotCount, 1);
  if (v < 205) m_nFontFace = kDefaultFontFace;
  if (v < 210) {
    m_vecCarryFlag.resize(kCarryKindCount);
    InsertKeepLength<BYTE>(m_vecCarryFlag, 9, 0);
  }
  if (v < 214) m_bCompat214 = 1;
  if (v < 224) m_bPauseRetryStory = m_bPauseRetryChallenge = 0;
  if (v < 261) m_bCompat261 = 1;
  if (v < 272) m_bKeepDeadChara = 0;
  if (v < 286) {
    m_vecStartOption.resize(kStartOptionCount);
    InsertKeepLength(m_vecStartOption, 0, IntOption("Direct3D", 1));
    // The VSync choices lost their third value.
    cSystemOptionData& vsync = m_vecStartOption.At(3);
    if (vsync.m_nValue >= 3) vsync.m_nValue = 2;
  }
  if (v < 287) m_bGraphicOffset = 0;
  if (v < 289) m_bPaletteCycle = m_nPaletteMode == 0 ? 1 : 0;
  if (v < 501) m_vecCarryClear.assign(kCarryKindCount, 0);
  if (v < 515) m_nCycleStep = 16;
  if (v < 525) m_bCompat525 = 1;
  if (v < 555) m_bCompat555 = 1;
  if (v < 567) {
    m_vecStartOption.resize(kStartOptionCount);
    InsertKeepLength(m_vecStartOption, 4, IntOption("DD_VideoStretch", 0));
  }
  if (v < 568) {
    m_vecStartOption.resize(kStartOptionCount);
    InsertKeepLength(m_vecStartOption, 4, IntOption("D3D_FontCache", 0));
    InsertKeepLength(m_vecStartOption, 5, IntOption("DD_FontCache", 1));
  }
  if (v < 587) {
    m_vecStatus.resize(kStatusEntryCount);
    for (int i : {2, 3}) {
      m_vecStatus.At(i).m_nWarn = 33;
      m_vecStatus.At(i).m_bWarnPercent = 1;
    }
  }
  if (v < 637) m_bCompat637 = v <= 616 ? 1 : 0;
  if (v < 669) m_bCompat669 = 1;
  if (v < 670) {
    m_nD3DDepth = 0;
    m_nDDDepth = 2;
  }
  if (v < 672) {
    m_vecStartOption.resize(kStartOptionCount);
    m_vecStartOption.At(9).SetInt("English", 0);
  }
  if (v < 677) m_bCompat677 = 1;
  if (v < 695) m_bCompat695 = 1;
  if (v < 696) m_bCompat696 = 1;
  if (v < 697) m_bCompat697 = 1;
  if (v < 721) m_bCompat721 = 1;
  if (v < 728) m_bCompat728 = 1;
  if (v < 733) m_bCompat733 = 1;
  if (v < 744) m_bCompat744 = 1;
  if (v < 749) m_bCompat749 = 1;
  if (v < 752) m_bCompat752 = 1;
  if (v < 756) {
    m_vecText.resize(kSystemTextCount);
    InsertKeepLength<std::string>(m_vecText, 22, "マップへ戻る");
  }
  if (v < 757) m_bPauseMapStory = 0;
  if (v < 763) m_bCompat763a = m_bCompat763b = 1;
  if (v < 768) m_bCompat768 = 1;
  if (v < 773) m_bCompat773 = 1;
}

void cSystemData::PadShortLists(const char* file) {
  static const cSystemData defaults;
  PadList(m_vecCarryFlag, defaults.m_vecCarryFlag, kCarryKindCount, "m_vecCarryFlag", file);
  PadList(m_vecCarryClear, defaults.m_vecCarryClear, kCarryKindCount, "m_vecCarryClear", file);
  PadList(m_vecStatus, defaults.m_vecStatus, kStatusEntryCount, "m_vecStatus", file);
  PadList(m_vecStartLives, defaults.m_vecStartLives, kGameModeCount, "m_vecStartLives", file);
  PadList(m_vecInfiniteLives, defaults.m_vecInfiniteLives, kGameModeCount, "m_vecInfiniteLives", file);
  PadList(m_vecModeRanking, defaults.m_vecModeRanking, kGameModeCount, "m_vecModeRanking", file);
  for (int i = 0; i < m_vecModeRanking.Size(); ++i) {
    cCheckedVector<BYTE>& kinds = m_vecModeRanking.At(i).m_vecKind;
    if (kinds.Size() >= kRankingKindCount) continue;
    WriteReport("%s : m_vecModeRanking[%d] のランキング種類が %d 個しかないため、0 で %d 個に補いました", file, i,
                kinds.Size(), kRankingKindCount);
    kinds.resize(kRankingKindCount, 0);
  }
  PadList(m_vecText, defaults.m_vecText, kSystemTextCount, "m_vecText", file);
  PadList(m_vecSoundFile, defaults.m_vecSoundFile, kSystemSoundCount, "m_vecSoundFile", file);
  PadList(m_vecBgm, defaults.m_vecBgm, kSystemBgmSlotCount, "m_vecBgm", file);
  PadList(m_vecBgmLoop, defaults.m_vecBgmLoop, kSystemBgmSlotCount, "m_vecBgmLoop", file);
  PadList(m_vecTitleMenu, defaults.m_vecTitleMenu, kTitleMenuCount, "m_vecTitleMenu", file);
  PadList(m_vecWorldMenu, defaults.m_vecWorldMenu, kWorldMenuCount, "m_vecWorldMenu", file);
  PadList(m_vecOptionMenu, defaults.m_vecOptionMenu, kOptionMenuCount, "m_vecOptionMenu", file);
  PadList(m_vecEntryModeText, defaults.m_vecEntryModeText, kEntryModeCount, "m_vecEntryModeText", file);
  PadList(m_vecStartOption, defaults.m_vecStartOption, kStartOptionCount, "m_vecStartOption", file);
}

// The databases are loaded before the System file at start-up.
void cSystemData::ClampBgm() { ClampBgm(g_Database.m_vecBgm.Size()); }

void cSystemData::ClampBgm(int nBgmCount) {
  for (int i = 0; i < m_vecBgm.Size(); ++i)
    if (static_cast<unsigned>(m_vecBgm.At(i)) >= static_cast<unsigned>(nBgmCount)) m_vecBgm.At(i) = 0;
}

int cSystemData::CountSetFlags(int mode) const {
  const cSystemFlagListData& entry = m_vecModeRanking.At(mode);
  if (!entry.m_bRanking) return 0;
  int n = 0;
  for (int i = 0; i < entry.m_vecKind.Size(); ++i)
    if (entry.m_vecKind.At(i)) ++n;
  return n;
}

int cSystemData::CheckGaugeThreshold(int n, int value, int max) const {
  const cSystemStatusData& s = m_vecStatus.At(n);
  if (s.m_bWarnPercent) {
    // A zero maximum gives an infinite (or undefined) quotient, which no
    // threshold reaches, except for a negative value.
    const double quotient = double(value) * 100.0 / double(max);
    return double(s.m_nWarn) >= quotient ? 1 : 0;
  }
  return value <= s.m_nWarn ? 1 : 0;
}

const char* const g_szDepthNames[4] = {"32bit(1677万色)", "16bit(32768色)", "8bit(256色)", ""};
const char* const g_szPaletteModeNames[3] = {"256色(8bit) カラーパレットあり", "1677万色(24bit) カラーパレットなし", ""};

// --- fonts -------------------------------------------------------------------------

const char* const g_FontFaceTable[kFontFaceCount] = {
    "System", "Terminal", "FixedSys", "Roman", "Script", "Modern", "Small Fonts", "MS Serif", "WST_Czec",
    "WST_Engl", "WST_Fren", "WST_Germ", "WST_Ital", "WST_Span", "WST_Swed", "Courier", "MS Sans Serif",
    "Marlett", "Arial", "Arial CE", "Arial CYR", "Arial Greek", "Arial TUR", "Arial Baltic", "Courier New",
    "Courier New CE", "Courier New CYR", "Courier New Greek", "Courier New TUR", "Courier New Baltic",
    "Lucida Console", "Lucida Sans Unicode", "Times New Roman", "Times New Roman CE", "Times New Roman CYR",
    "Times New Roman Greek", "Times New Roman TUR", "Times New Roman Baltic", "Wingdings", "Symbol", "Verdana",
    "Arial Black", "Comic Sans MS", "Impact", "Georgia", "Franklin Gothic Medium", "Palatino Linotype", "Tahoma",
    "Trebuchet MS", "Webdings", "Estrangelo Edessa", "Gautami", "Latha", "Mangal", "MV Boli", "Raavi", "Shruti",
    "Tunga", "Sylfaen", "ＭＳ ゴシック", "ＭＳ Ｐゴシック", "MS UI Gothic", "ＭＳ 明朝", "ＭＳ Ｐ明朝",
    "Microsoft Sans Serif", "Gulim", "GulimChe", "Dotum", "DotumChe", "Batang", "BatangChe", "Gungsuh",
    "GungsuhChe", "SimSun", "NSimSun", "SimSun-PUA", "SimHei", "MingLiU", "PMingLiU", "Arial Narrow",
    "Book Antiqua", "Bookman Old Style", "Century", "Century Gothic", "Garamond", "MS Outlook", "HGｺﾞｼｯｸE",
    "HGPｺﾞｼｯｸE", "HGSｺﾞｼｯｸE", "HG丸ｺﾞｼｯｸM-PRO", "HG創英角ｺﾞｼｯｸUB", "HGP創英角ｺﾞｼｯｸUB", "HGS創英角ｺﾞｼｯｸUB",
    "HG創英角ﾎﾟｯﾌﾟ体", "HGP創英角ﾎﾟｯﾌﾟ体", "HGS創英角ﾎﾟｯﾌﾟ体", "HG正楷書体-PRO", "InMusicSym", "Kartika", "Vrinda",
    "メイリオ", "MT Extra", "HGｺﾞｼｯｸM", "HGPｺﾞｼｯｸM", "HGSｺﾞｼｯｸM", "HG行書体", "HGP行書体", "HGS行書体",
    "HG教科書体", "HGP教科書体", "HGS教科書体", "HG明朝B", "HGP明朝B", "HGS明朝B", "HG明朝E", "HGP明朝E",
    "HGS明朝E", "HG創英ﾌﾟﾚｾﾞﾝｽEB", "HGP創英ﾌﾟﾚｾﾞﾝｽEB", "HGS創英ﾌﾟﾚｾﾞﾝｽEB", "OCRB", "Sydnie", "",
};

const char* GetFontFaceName(int index) {
  if (index < 0 || index >= kFontFaceCount) return g_FontFaceTable[kDefaultFontFace];
  return g_FontFaceTable[index];
}
