#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <optional>

#include "records/database.h"
#include "records/system_data.h"
#include "records/system_defaults.h"
#include "support/bytes.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace {

// The body of the System file in file order, as an independent writer
// lays it out: width, first and last version holding it, and what a file
// lacking it ends up with after the upgrade (nullopt: the fresh default).
struct BodyField {
  const char* name;
  int bytes;
  uint32_t from;
  uint32_t until;
  std::function<int(const cSystemData&)> get;
  std::function<std::optional<int>(uint32_t v, const cSystemData& loaded)> absent;
};

#define INT_FIELD(m, from, absentValue)                                       \
  BodyField {                                                                 \
    #m, 4, from, UINT32_MAX, [](const cSystemData& s) { return int(s.m); },   \
        [](uint32_t, const cSystemData&) -> std::optional<int> { return absentValue; } \
  }
#define BYTE_FIELD(m, from, absentValue)                                      \
  BodyField {                                                                 \
    #m, 1, from, UINT32_MAX, [](const cSystemData& s) { return int(s.m); },   \
        [](uint32_t, const cSystemData&) -> std::optional<int> { return absentValue; } \
  }

const std::vector<BodyField>& Body() {
  static const std::vector<BodyField> body = {
      INT_FIELD(m_bExtraLife, 185, 1),
      INT_FIELD(m_nExtraLifeScore, 0, std::nullopt),
      INT_FIELD(m_bPauseHideStage, 0, std::nullopt),
      INT_FIELD(m_bTextIcon, 0, std::nullopt),
      INT_FIELD(m_nFontFace, 205, 60),
      INT_FIELD(m_bGlyphCentre, 170, 0),
      INT_FIELD(m_bKeepTestFlow, 113, 0),
      INT_FIELD(m_bReplay, 184, 1),
      INT_FIELD(m_bTitleMenuCentre, 157, 0),
      INT_FIELD(m_bKeepLives, 0, std::nullopt),
      INT_FIELD(m_bStoryRetry, 191, 0),
      INT_FIELD(m_bMapShowLives, 191, 0),
      INT_FIELD(m_nChallengeStages, 0, std::nullopt),
      INT_FIELD(m_bChallengeAllOpen, 0, std::nullopt),
      INT_FIELD(m_bMapShowScore, 167, 1),
      INT_FIELD(m_bMenuShowTotal, 167, 1),
      INT_FIELD(m_bRestoreStory, 188, 1),
      INT_FIELD(m_bPauseRetryStory, 224, 0),
      INT_FIELD(m_bSelectShowHighScore, 167, 1),
      INT_FIELD(m_bSelectShowTotal, 167, 1),
      INT_FIELD(m_bRestoreChallenge, 188, 1),
      INT_FIELD(m_bPauseRetryChallenge, 224, 0),
      INT_FIELD(m_bRestoreFree, 188, 1),
      INT_FIELD(m_bRestoreTest, 192, 1),
      INT_FIELD(m_nPaletteMode, 187, 0),
      BYTE_FIELD(m_cbTransmitRed, 187, 0),
      BYTE_FIELD(m_cbTransmitGreen, 187, 177),
      BYTE_FIELD(m_cbTransmitBlue, 187, 0),
      INT_FIELD(m_bCompat214, 214, 1),
      BodyField{"obsolete", 4, 221, 259, nullptr, nullptr},
      INT_FIELD(m_bCompat261, 261, 1),
      INT_FIELD(m_bKeepDeadChara, 272, 0),
      INT_FIELD(m_bGraphicOffset, 287, 0),
      INT_FIELD(m_nCycleStep, 515, 16),
      BodyField{"m_bPaletteCycle", 4, 289, UINT32_MAX, [](const cSystemData& s) { return s.m_bPaletteCycle; },
                [](uint32_t, const cSystemData& s) -> std::optional<int> { return s.m_nPaletteMode == 0 ? 1 : 0; }},
      INT_FIELD(m_bPauseMapStory, 757, 0),
      INT_FIELD(m_bCompat525, 525, 1),
      INT_FIELD(m_bCompat555, 555, 1),
      BodyField{"m_bCompat637", 4, 637, UINT32_MAX, [](const cSystemData& s) { return s.m_bCompat637; },
                [](uint32_t v, const cSystemData&) -> std::optional<int> { return v <= 616 ? 1 : 0; }},
      INT_FIELD(m_bCompat669, 669, 1),
      INT_FIELD(m_bCompat677, 677, 1),
      INT_FIELD(m_bCompat695, 695, 1),
      INT_FIELD(m_bCompat696, 696, 1),
      INT_FIELD(m_bCompat697, 697, 1),
      INT_FIELD(m_bCompat721, 721, 1),
      INT_FIELD(m_bCompat728, 728, 1),
      INT_FIELD(m_bCompat733, 733, 1),
      INT_FIELD(m_bCompat744, 744, 1),
      INT_FIELD(m_bCompat749, 749, 1),
      INT_FIELD(m_bCompat752, 752, 1),
      INT_FIELD(m_bCompat763a, 763, 1),
      INT_FIELD(m_bCompat763b, 763, 1),
      INT_FIELD(m_bCompat768, 768, 1),
      INT_FIELD(m_bCompat773, 773, 1),
      INT_FIELD(m_nD3DDepth, 670, 0),
      INT_FIELD(m_nDDDepth, 670, 2),
  };
  return body;
}

bool Present(const BodyField& f, uint32_t v) { return v >= f.from && v <= f.until; }
// The value the hand-built file stores for body field i.
int FileValue(size_t i, int bytes) { return bytes == 1 ? int(200 + i) : int(1000 + i); }

int CarryCount(uint32_t v) { return v < 168 ? 22 : v < 201 ? 23 : v < 210 ? 24 : 25; }
int TextCount(uint32_t v) { return v < 169 ? 21 : v < 181 ? 24 : v < 193 ? 26 : v < 756 ? 28 : 29; }

struct Option {
  const char* name;
  int kind;
  int value;
  const char* text;
};
std::vector<Option> StartOptions(uint32_t v) {
  std::vector<Option> o;
  if (v >= 286) o.push_back({"Direct3D", 0, 0, ""});
  o.push_back({"WindowMode", 0, 1, ""});
  o.push_back({"Bpp", 0, 16, ""});
  o.push_back({"VSync", 0, v < 286 ? 3 : 1, ""});
  if (v >= 568) o.push_back({"D3D_FontCache", 0, 1, ""});
  if (v >= 568) o.push_back({"DD_FontCache", 0, 0, ""});
  if (v >= 567) o.push_back({"DD_VideoStretch", 0, 1, ""});
  o.push_back({"ShowFps", 0, 0, ""});
  o.push_back({"FreeStage", 1, 0, "s.stg"});
  if (v >= 568) o.push_back(v >= 672 ? Option{"English", 0, 1, ""} : Option{"Old", 0, 5, ""});
  return o;
}

// A whole System.dat of version v, byte by byte.
ByteBuilder SystemFile(uint32_t v, std::vector<int> bgm = {0, 2, -1, 5}) {
  ByteBuilder b;
  b.U32(v);
  const auto& body = Body();
  int n = 0;
  for (const BodyField& f : body) n += Present(f, v) ? 1 : 0;
  b.I32(n);
  for (size_t i = 0; i < body.size(); ++i) {
    if (!Present(body[i], v)) continue;
    if (body[i].bytes == 1)
      b.U8(uint8_t(FileValue(i, 1)));
    else
      b.I32(FileValue(i, 4));
  }
  b.I32(1).Str("タイトル\r\n");

  b.I32(CarryCount(v));
  for (int k = 0; k < CarryCount(v); ++k) b.U8(uint8_t(50 + k));
  if (v >= 501) {
    b.I32(25);
    for (int k = 0; k < 25; ++k) b.U8(uint8_t(k % 2));
  }
  b.I32(5);
  for (int i = 0; i < 5; ++i) {
    b.I32(3 + (v >= 204 ? 1 : 0) + (v >= 587 ? 2 : 0)).I32(1).I32(0).I32(10 + i);
    if (v >= 204) b.I32(0);
    if (v >= 587) b.I32(20 + i).I32(0);
    b.I32(1).Str("s" + std::to_string(i));
  }
  b.I32(4).I32(7).I32(8).I32(9).I32(10);
  if (v >= 191) b.I32(4).I32(0).I32(1).I32(0).I32(1);
  if (v >= 186) {
    b.I32(4);
    for (int i = 0; i < 4; ++i) {
      b.I32(1).I32(i != 2 ? 1 : 0).I32(0).I32(5);
      for (int k = 0; k < 5; ++k) b.U8(uint8_t((i + k) % 2));
    }
  }
  b.I32(TextCount(v));
  for (int k = 0; k < TextCount(v); ++k) b.Str(k == 3 ? "a\r\nb" : "t" + std::to_string(k));
  b.I32(17);
  for (int k = 0; k < 17; ++k) b.Str("se" + std::to_string(k) + ".wav");
  b.I32(int(bgm.size()));
  for (int x : bgm) b.I32(x);
  if (v >= 202) b.I32(4).U8(0).U8(1).U8(0).U8(1);
  b.I32(7);
  for (int k = 0; k < 7; ++k) b.I32(1).I32(k % 3 != 0).I32(1).Str("T" + std::to_string(k));
  const int world = v < 169 ? 3 : 4;
  b.I32(world);
  for (int k = 0; k < world; ++k) b.I32(1).I32(k != 1).I32(1).Str("W" + std::to_string(k));
  b.I32(6);
  for (int k = 0; k < 6; ++k) b.I32(1).I32(1).I32(1).Str("O" + std::to_string(k));
  if (v >= 674) {
    b.I32(4);
    for (int k = 0; k < 4; ++k) b.Str("E" + std::to_string(k));
  }
  const auto options = StartOptions(v);
  b.I32(int(options.size()));
  for (const Option& o : options) b.I32(2).I32(o.kind).I32(o.value).I32(2).Str(o.name).Str(o.text);
  return b;
}

class SystemFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    g_bDeleteCR = 1;
  }
  void TearDown() override { g_bDeleteCR = 0; }
  std::string PathOf(const char* name) const { return dir / name; }
  bool Load(cSystemData& s, const ByteBuilder& b) {
    if (!b.WriteTo(PathOf("System.dat"))) return false;
    return s.LoadFromFile(PathOf("System.dat").c_str());
  }

  TempFolder dir;
  ReportLogCapture report{dir.path()};
};

std::vector<std::string> Texts(std::initializer_list<std::string> t) { return t; }

TEST_F(SystemFileTest, BodyFieldsOfEveryUpgradeGroupLoadFieldByField) {
  const cSystemData fresh;
  for (uint32_t v : {100u, 112u, 113u, 156u, 166u, 168u, 169u, 180u, 186u, 190u, 192u, 200u, 209u, 213u, 223u,
                     230u, 259u, 260u, 271u, 285u, 288u, 500u, 514u, 524u, 554u, 566u, 567u, 586u, 616u, 620u,
                     636u, 668u, 669u, 671u, 676u, 694u, 720u, 748u, 751u, 755u, 756u, 762u, 767u, 772u, 777u,
                     778u}) {
    cSystemData s;
    ASSERT_TRUE(Load(s, SystemFile(v))) << "version " << v;
    const auto& body = Body();
    for (size_t i = 0; i < body.size(); ++i) {
      const BodyField& f = body[i];
      if (!f.get) continue;
      int expected;
      if (Present(f, v)) {
        expected = f.bytes == 1 ? FileValue(i, 1) : FileValue(i, 4);
      } else {
        std::optional<int> a = f.absent(v, s);
        expected = a ? *a : f.get(fresh);
      }
      EXPECT_EQ(f.get(s), expected) << f.name << " at version " << v;
    }
    EXPECT_EQ(s.m_strTitle, "タイトル\n") << v;  // body strings lose CR
  }
}

TEST_F(SystemFileTest, OldestFileUpgradesEveryList) {
  cSystemData s;
  ASSERT_TRUE(Load(s, SystemFile(100)));
  // Carry kinds: 22 old ones keep their order around the three new kinds.
  std::vector<uint8_t> carry;
  for (int k = 0; k <= 8; ++k) carry.push_back(uint8_t(50 + k));
  carry.push_back(0);  // new kind 9
  for (int k = 9; k <= 13; ++k) carry.push_back(uint8_t(50 + k));
  carry.push_back(0);  // new kind 14
  carry.push_back(50 + 14);
  carry.push_back(50 + 15);
  carry.push_back(1);  // new kind 16
  for (int k = 16; k <= 21; ++k) carry.push_back(uint8_t(50 + k));
  EXPECT_EQ(std::vector<uint8_t>(s.m_vecCarryFlag.begin(), s.m_vecCarryFlag.end()), carry);
  EXPECT_EQ(s.m_vecCarryClear, std::vector<uint8_t>(25, 0));

  // Texts: three world-menu texts, the two ranking kinds, the retry query
  // and the pause-menu map entry, each inserted where it belongs now.
  std::vector<std::string> texts;
  for (int k = 0; k <= 7; ++k) texts.push_back(k == 3 ? "a\r\nb" : "t" + std::to_string(k));
  texts.insert(texts.end(), {"残りHP", "残りSP", "t8", "t9", "t10", "t11", "オートセーブＯＮ", "オートセーブＯＦＦ",
                             "保存先が不明です！一度は「セーブ」して下さい！", "t12", "t13", "t14", "t15", "t16",
                             "マップへ戻る", "リトライ", "マップへ戻る", "t17", "t18", "t19", "t20"});
  EXPECT_EQ(s.m_vecText, texts);  // string lists keep their CR

  ASSERT_EQ(s.m_vecWorldMenu.size(), 4u);
  EXPECT_EQ(s.m_vecWorldMenu[0].m_strCaption, "W0");
  EXPECT_EQ(s.m_vecWorldMenu[1].m_strCaption, "オートセーブ");
  EXPECT_EQ(s.m_vecWorldMenu[1].m_bEnable, 1);
  EXPECT_EQ(s.m_vecWorldMenu[2].m_strCaption, "W1");
  EXPECT_EQ(s.m_vecWorldMenu[2].m_bEnable, 0);
  EXPECT_EQ(s.m_vecWorldMenu[3].m_strCaption, "W2");

  // Ranking rules were not in the file: the defaults lose kinds 3 and 4.
  for (int mode = 0; mode < 4; ++mode) {
    const auto& r = s.m_vecModeRanking[size_t(mode)];
    EXPECT_EQ(r.m_bRanking, mode < 3 ? 1 : 0);
    const uint8_t k = mode < 3 ? 1 : 0;
    EXPECT_EQ(r.m_vecKind, std::vector<uint8_t>({k, k, k, 0, 0})) << mode;
  }
  EXPECT_EQ(s.m_vecInfiniteLives, std::vector<int>({0, 0, 0, 1}));
  EXPECT_EQ(s.m_vecBgmLoop, std::vector<uint8_t>({1, 1, 1, 1}));
  EXPECT_EQ(s.m_vecStartLives, std::vector<int>({7, 8, 9, 10}));

  // Start-up options: four inserted, VSync 3 lowered to 2, entry 9 English.
  const std::vector<std::tuple<std::string, int, int>> options = {
      {"Direct3D", 0, 1}, {"WindowMode", 0, 1}, {"Bpp", 0, 16},  {"VSync", 0, 2},    {"D3D_FontCache", 0, 0},
      {"DD_FontCache", 0, 1}, {"DD_VideoStretch", 0, 0}, {"ShowFps", 0, 0}, {"FreeStage", 1, 0}, {"English", 0, 0}};
  ASSERT_EQ(s.m_vecStartOption.size(), 10u);
  for (size_t i = 0; i < options.size(); ++i) {
    EXPECT_EQ(s.m_vecStartOption[i].m_strName, std::get<0>(options[i])) << i;
    EXPECT_EQ(s.m_vecStartOption[i].m_nKind, std::get<1>(options[i])) << i;
    EXPECT_EQ(s.m_vecStartOption[i].m_nValue, std::get<2>(options[i])) << i;
  }
  EXPECT_EQ(s.m_vecStartOption[8].m_strValue, "s.stg");

  // Status entries: show-value on (before 204), HP and SP warn at 33 %.
  for (int i = 0; i < 5; ++i) {
    const auto& st = s.m_vecStatus[size_t(i)];
    EXPECT_EQ(st.m_bShowValue, 1) << i;
    EXPECT_EQ(st.m_nDigits, 10 + i);
    EXPECT_EQ(st.m_strName, "s" + std::to_string(i));
    EXPECT_EQ(st.m_nWarn, (i == 2 || i == 3) ? 33 : 0) << i;
    EXPECT_EQ(st.m_bWarnPercent, (i == 2 || i == 3) ? 1 : 0) << i;
  }
  // The entry-mode names were not in the file.
  EXPECT_EQ(s.m_vecEntryModeText[0], "手動登録（登録名入力）");
}

TEST_F(SystemFileTest, ListUpgradesByGroup) {
  struct Case {
    uint32_t v;
    std::function<void(const cSystemData&)> check;
  };
  auto textsFrom = [](std::vector<std::string> head, int firstOld, int lastOld) {
    for (int k = firstOld; k <= lastOld; ++k) head.push_back(k == 3 ? "a\r\nb" : "t" + std::to_string(k));
    return head;
  };
  auto oldTexts = [](int n) {
    std::vector<std::string> t;
    for (int k = 0; k < n; ++k) t.push_back(k == 3 ? "a\r\nb" : "t" + std::to_string(k));
    return t;
  };
  const Case cases[] = {
      {180,
       [&](const cSystemData& s) {
         std::vector<std::string> t = oldTexts(8);
         t.insert(t.end(), {"残りHP", "残りSP"});
         for (int k = 8; k <= 19; ++k) t.push_back("t" + std::to_string(k));
         t.insert(t.end(), {"マップへ戻る", "リトライ", "マップへ戻る"});
         t = textsFrom(t, 20, 23);
         EXPECT_EQ(s.m_vecText, t);
         EXPECT_EQ(s.m_vecWorldMenu[1].m_strCaption, "W1");  // 169 had the autosave entry
         // 23 carry kinds: new kinds 14 and 9 moved the old ones up.
         EXPECT_EQ(s.m_vecCarryFlag[9], 0);
         EXPECT_EQ(s.m_vecCarryFlag[10], 50 + 9);
         EXPECT_EQ(s.m_vecCarryFlag[15], 0);
         EXPECT_EQ(s.m_vecCarryFlag[16], 50 + 14);
         EXPECT_EQ(s.m_vecCarryFlag[24], 50 + 22);
       }},
      {192,
       [&](const cSystemData& s) {
         std::vector<std::string> t = oldTexts(22);
         t.insert(t.end(), {"マップへ戻る", "リトライ", "マップへ戻る"});
         EXPECT_EQ(s.m_vecText, textsFrom(t, 22, 25));
         // Ranking rules in the file from 186 on are taken as stored.
         EXPECT_EQ(s.m_vecModeRanking[2].m_bRanking, 0);
         EXPECT_EQ(s.m_vecModeRanking[1].m_vecKind, std::vector<uint8_t>({1, 0, 1, 0, 1}));
         EXPECT_EQ(s.m_vecInfiniteLives, std::vector<int>({0, 1, 0, 1}));
         EXPECT_EQ(s.m_vecBgmLoop, std::vector<uint8_t>({1, 1, 1, 1}));
       }},
      {755,
       [&](const cSystemData& s) {
         std::vector<std::string> t = oldTexts(22);
         t.push_back("マップへ戻る");
         EXPECT_EQ(s.m_vecText, textsFrom(t, 22, 27));
         EXPECT_EQ(s.m_vecCarryClear[1], 1);
         EXPECT_EQ(s.m_vecBgmLoop, std::vector<uint8_t>({0, 1, 0, 1}));
       }},
      {756, [&](const cSystemData& s) { EXPECT_EQ(s.m_vecText, oldTexts(29)); }},
      {285,
       [&](const cSystemData& s) {
         EXPECT_EQ(s.m_vecStartOption[0].m_strName, "Direct3D");
         EXPECT_EQ(s.m_vecStartOption[0].m_nValue, 1);
         EXPECT_EQ(s.m_vecStartOption[3].m_nValue, 2);  // VSync 3 -> 2
         EXPECT_EQ(s.m_vecCarryClear, std::vector<uint8_t>(25, 0));
       }},
      {566,
       [&](const cSystemData& s) {
         const char* names[] = {"Direct3D", "WindowMode",      "Bpp",     "VSync",     "D3D_FontCache",
                                "DD_FontCache", "DD_VideoStretch", "ShowFps", "FreeStage", "English"};
         for (int i = 0; i < 10; ++i) EXPECT_EQ(s.m_vecStartOption[size_t(i)].m_strName, names[i]) << i;
         EXPECT_EQ(s.m_vecStartOption[0].m_nValue, 0);  // in the file
         EXPECT_EQ(s.m_vecStartOption[3].m_nValue, 1);
         EXPECT_EQ(s.m_vecStartOption[5].m_nValue, 1);  // DD_FontCache inserted as 1
         EXPECT_EQ(s.m_vecStartOption[6].m_nValue, 0);  // DD_VideoStretch inserted as 0
       }},
      {567,
       [&](const cSystemData& s) {
         EXPECT_EQ(s.m_vecStartOption[6].m_strName, "DD_VideoStretch");
         EXPECT_EQ(s.m_vecStartOption[6].m_nValue, 1);  // from the file
         EXPECT_EQ(s.m_vecStartOption[4].m_strName, "D3D_FontCache");
       }},
      {671,
       [&](const cSystemData& s) {
         EXPECT_EQ(s.m_vecStartOption[9].m_strName, "English");
         EXPECT_EQ(s.m_vecStartOption[9].m_nValue, 0);
         EXPECT_EQ(s.m_vecStartOption[4].m_nValue, 1);
         EXPECT_EQ(s.m_vecEntryModeText[3], "自動登録（登録名固定）");  // not in the file before 674
       }},
      {586,
       [&](const cSystemData& s) {
         EXPECT_EQ(s.m_vecStatus[0].m_bShowValue, 0);  // in the file from 204
         EXPECT_EQ(s.m_vecStatus[2].m_nWarn, 33);
         EXPECT_EQ(s.m_vecStatus[3].m_bWarnPercent, 1);
         EXPECT_EQ(s.m_vecStatus[4].m_nWarn, 0);
       }},
      {587,
       [&](const cSystemData& s) {
         EXPECT_EQ(s.m_vecStatus[2].m_nWarn, 22);
         EXPECT_EQ(s.m_vecStatus[2].m_bWarnPercent, 0);
       }},
      {778,
       [&](const cSystemData& s) {
         EXPECT_EQ(s.m_vecText, oldTexts(29));
         EXPECT_EQ(s.m_vecEntryModeText, Texts({"E0", "E1", "E2", "E3"}));
         EXPECT_EQ(s.m_vecStartOption[9].m_nValue, 1);
         EXPECT_EQ(s.m_vecSoundFile[16], "se16.wav");
         EXPECT_EQ(s.m_vecTitleMenu[0].m_bEnable, 0);
         EXPECT_EQ(s.m_vecTitleMenu[1].m_strCaption, "T1");
         EXPECT_EQ(s.m_vecOptionMenu[5].m_strCaption, "O5");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.v);
    cSystemData s;
    ASSERT_TRUE(Load(s, SystemFile(c.v)));
    c.check(s);
  }
}

TEST_F(SystemFileTest, CurrentFileIsReadWithoutUpgradeAndSavedInTheSameLayout) {
  g_bDeleteCR = 0;
  cSystemData s;
  ASSERT_TRUE(Load(s, SystemFile(778)));
  EXPECT_TRUE(report.NewLines().empty());
  s.m_vecBgm.assign({0, 0, 0, 0});
  ASSERT_TRUE(s.SaveToFile(PathOf("saved.dat").c_str()));
  const std::vector<uint8_t> got = ReadOsFile(PathOf("saved.dat"));
  EXPECT_EQ(got, SystemFile(778, {0, 0, 0, 0}).Bytes()) << HexBytes(got);
}

TEST_F(SystemFileTest, MusicEntriesOutsideTheDatabaseBecomeZero) {
  cSystemData s;
  s.m_vecBgm.assign({0, 2, -1, 3});
  s.ClampBgm(3);
  EXPECT_EQ(s.m_vecBgm, std::vector<int>({0, 2, 0, 0}));
  s.m_vecBgm.assign({1, INT_MIN, INT_MAX, 0});
  s.ClampBgm(0);
  EXPECT_EQ(s.m_vecBgm, std::vector<int>({0, 0, 0, 0}));

  // Loading clamps against the Bgm database already loaded.
  const auto saved = g_Database.m_vecBgm;
  g_Database.m_vecBgm.resize(3);
  cSystemData loaded;
  const bool ok = Load(loaded, SystemFile(778, {0, 2, -1, 3}));
  g_Database.m_vecBgm = saved;
  ASSERT_TRUE(ok);
  EXPECT_EQ(loaded.m_vecBgm, std::vector<int>({0, 2, 0, 0}));
}

TEST_F(SystemFileTest, ShortListsOfACurrentFileArePaddedWithDefaultsAndLogged) {
  ByteBuilder b;
  b.U32(778);
  int n = 0;
  for (const BodyField& f : Body()) n += Present(f, 778);
  b.I32(n);
  for (size_t i = 0; i < Body().size(); ++i)
    if (Present(Body()[i], 778)) Body()[i].bytes == 1 ? b.U8(0) : b.I32(0);
  b.I32(1).Str("");
  b.I32(0);                                            // carry flags
  b.I32(3).U8(1).U8(1).U8(1);                          // carry clear
  b.I32(1).I32(6).I32(0).I32(0).I32(0).I32(0).I32(0).I32(0).I32(1).Str("x");  // one status entry
  b.I32(2).I32(1).I32(2);                              // start lives
  b.I32(0);                                            // infinite lives
  b.I32(1).I32(1).I32(1).I32(0).I32(2).U8(1).U8(1);    // one ranking rule with two kinds
  b.I32(2).Str("w0").Str("w1");                        // texts
  b.I32(0);                                            // sounds
  b.I32(1).I32(0);                                     // bgm
  b.I32(0);                                            // bgm loop
  b.I32(0);                                            // title menu
  b.I32(1).I32(1).I32(0).I32(1).Str("only");           // world menu
  b.I32(0);                                            // option menu
  b.I32(0);                                            // entry modes
  b.I32(0);                                            // start options
  cSystemData s;
  ASSERT_TRUE(Load(s, b));
  const cSystemData d;
  EXPECT_EQ(s.m_vecCarryFlag, d.m_vecCarryFlag);
  EXPECT_EQ(s.m_vecCarryClear[2], 1);
  EXPECT_EQ(s.m_vecCarryClear[11], 1);
  ASSERT_EQ(s.m_vecCarryClear.size(), 25u);
  ASSERT_EQ(s.m_vecStatus.size(), 5u);
  EXPECT_EQ(s.m_vecStatus[0].m_strName, "x");
  EXPECT_EQ(s.m_vecStatus[4].m_strName, "人");
  EXPECT_EQ(s.m_vecStartLives, std::vector<int>({1, 2, 5, 99}));
  EXPECT_EQ(s.m_vecInfiniteLives, d.m_vecInfiniteLives);
  ASSERT_EQ(s.m_vecModeRanking.size(), 4u);
  EXPECT_EQ(s.m_vecModeRanking[0].m_vecKind, std::vector<uint8_t>({1, 1, 0, 0, 0}));
  EXPECT_EQ(s.m_vecModeRanking[3].m_bRanking, 0);
  ASSERT_EQ(s.m_vecText.size(), 29u);
  EXPECT_EQ(s.m_vecText[1], "w1");
  EXPECT_EQ(s.m_vecText[28], "F3キーでランキングへ登録");
  EXPECT_EQ(s.m_vecSoundFile.size(), 17u);
  EXPECT_EQ(s.m_vecBgm.size(), 4u);
  EXPECT_EQ(s.m_vecBgmLoop, d.m_vecBgmLoop);
  EXPECT_EQ(s.m_vecTitleMenu.size(), 7u);
  ASSERT_EQ(s.m_vecWorldMenu.size(), 4u);
  EXPECT_EQ(s.m_vecWorldMenu[0].m_strCaption, "only");
  EXPECT_EQ(s.m_vecWorldMenu[3].m_strCaption, "タイトルへ");
  EXPECT_EQ(s.m_vecOptionMenu.size(), 6u);
  EXPECT_EQ(s.m_vecEntryModeText.size(), 4u);
  ASSERT_EQ(s.m_vecStartOption.size(), 10u);
  EXPECT_EQ(s.m_vecStartOption[7].m_strName, "ShowFps");
  // One line per completed list.
  EXPECT_EQ(report.NewLines().size(), 16u);
  EXPECT_EQ(s.CountSetFlags(0), 2);
}

TEST_F(SystemFileTest, TruncatedAndCorruptFilesFailAndLeaveTheRecordUnchanged) {
  const ByteBuilder full = SystemFile(778);
  for (size_t n = 0; n < full.Size(); n += (n < 400 ? 1 : 7)) {
    ByteBuilder b;
    b.Append(std::vector<uint8_t>(full.Bytes().begin(), full.Bytes().begin() + long(n)));
    cSystemData s;
    s.m_nChallengeStages = 12345;
    EXPECT_FALSE(Load(s, b)) << n;
    EXPECT_EQ(s.m_nChallengeStages, 12345) << n;
    EXPECT_EQ(s.m_vecText.size(), 29u) << n;
  }
  // Counts beyond the bytes left, and a negative one, in several lists.
  for (int32_t count : {-1, 0x7FFFFFFF, 1000000}) {
    ByteBuilder b;
    b.U32(778).I32(0).I32(0).I32(count);
    cSystemData s;
    EXPECT_FALSE(Load(s, b)) << count;
    ByteBuilder c;
    c.U32(100).I32(0).I32(1).Str("t").I32(0).I32(0).I32(0).I32(count);
    EXPECT_FALSE(Load(s, c)) << count;
  }
  // More body fields than the version holds.
  ByteBuilder extra;
  extra.U32(100).I32(40);
  for (int i = 0; i < 40; ++i) extra.I32(0);
  cSystemData s;
  EXPECT_FALSE(Load(s, extra));
  EXPECT_EQ(s.m_nChallengeStages, 40);
}

TEST(SystemDefaults, FreshRecordHoldsTheProjectDefaults) {
  cSystemData s;
  EXPECT_EQ(s.m_nExtraLifeScore, 100);
  EXPECT_EQ(s.m_nFontFace, 60);
  EXPECT_STREQ(GetFontFaceName(s.m_nFontFace), "ＭＳ Ｐゴシック");
  EXPECT_EQ(s.m_nChallengeStages, 40);
  EXPECT_EQ(s.m_nCycleStep, 16);
  EXPECT_EQ(s.m_nDDDepth, 2);
  EXPECT_EQ(s.m_bPauseMapStory, 1);
  EXPECT_EQ(s.m_bCompat637, 0);
  ASSERT_EQ(s.m_vecText.size(), 29u);
  EXPECT_EQ(s.m_vecText[1], "ステージ");
  EXPECT_EQ(s.m_vecText[16], "保存先が不明です！一度は「セーブ」して下さい！");
  EXPECT_EQ(s.m_vecText[22], "マップへ戻る");
  EXPECT_EQ(s.m_vecStatus[0].m_strName, "スコア");
  EXPECT_EQ(s.m_vecStatus[1].m_strName, "スコア");
  EXPECT_EQ(s.m_vecStatus[1].m_nDigits, 3);
  EXPECT_EQ(s.m_vecStatus[4].m_strName, "人");
  ASSERT_EQ(s.m_vecOptionMenu.size(), 6u);
  EXPECT_EQ(s.m_vecOptionMenu[5].m_strCaption, "");
  EXPECT_EQ(s.m_vecOptionMenu[5].m_bEnable, 1);
  EXPECT_EQ(cCmd::GetCmdCount(s.m_vecTitleMenu), 7);
  EXPECT_EQ(s.m_vecWorldMenu[1].m_strCaption, "オートセーブ");
  std::vector<uint8_t> carry(25, 0);
  for (int k : {0, 1, 13, 14, 16, 17, 19, 20, 21}) carry[size_t(k)] = 1;
  EXPECT_EQ(s.m_vecCarryFlag, carry);
  EXPECT_EQ(s.m_vecStartLives, std::vector<int>({5, 5, 5, 99}));
  EXPECT_EQ(s.m_vecStartOption[8].m_nKind, 1);
  EXPECT_EQ(s.m_vecStartOption[8].m_strName, "FreeStage");
  EXPECT_EQ(s.m_vecStartOption[3].m_nValue, 2);
  EXPECT_EQ(s.CountSetFlags(0), 5);
  EXPECT_EQ(s.CountSetFlags(3), 0);
}

TEST(SystemDefaults, FontFaceTableHas123NamesEndingEmpty) {
  for (int i = 0; i < kFontFaceCount; ++i) ASSERT_NE(g_FontFaceTable[i], nullptr) << i;
  EXPECT_STREQ(g_FontFaceTable[0], "System");
  EXPECT_STREQ(g_FontFaceTable[59], "ＭＳ ゴシック");
  EXPECT_STREQ(g_FontFaceTable[121], "Sydnie");
  EXPECT_STREQ(g_FontFaceTable[122], "");
  EXPECT_STREQ(GetFontFaceName(-1), "ＭＳ Ｐゴシック");
  EXPECT_STREQ(GetFontFaceName(123), "ＭＳ Ｐゴシック");
}

TEST(SystemDefaults, MenuBoxIsCentredOnItsWidestText) {
  cSystemData s;
  EXPECT_EQ(s.GetSystemMenuLeft(320, 23, 2, 1), 264);
  EXPECT_EQ(s.GetSystemMenuLeft(320, 23, 2, 0), 272);
  EXPECT_EQ(s.GetSystemMenuLeft(304, 10, 2, 1), 304 - 8 * 16 / 2);
  s.m_vecText[10] = "ab\ncd";  // a line feed counts as nothing
  EXPECT_EQ(s.GetSystemMenuWidth(10, 1, 0), 4);
}

TEST(SystemDefaults, GaugeWarningRange) {
  cSystemData s;
  struct Case {
    int warn, percent, value, max, expected;
  };
  const Case cases[] = {
      {0, 0, 0, 100, 1},   {0, 0, 1, 100, 0},    {0, 0, -5, 100, 1}, {33, 1, 33, 100, 1}, {33, 1, 34, 100, 0},
      {33, 1, 1, 3, 0},    {34, 1, 1, 3, 1},     {33, 1, 0, 0, 0},   {33, 1, 5, 0, 0},    {33, 1, -1, 0, 1},
      {50, 0, 50, 0, 1},   {33, 1, INT_MAX, INT_MAX, 0},
  };
  for (const Case& c : cases) {
    s.m_vecStatus[2].m_nWarn = c.warn;
    s.m_vecStatus[2].m_bWarnPercent = c.percent;
    EXPECT_EQ(s.CheckGaugeThreshold(2, c.value, c.max), c.expected)
        << c.warn << " " << c.percent << " " << c.value << "/" << c.max;
  }
}

}  // namespace
