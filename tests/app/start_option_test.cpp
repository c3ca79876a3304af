#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "records/start_option.h"
#include "records/system_data.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace {

// The options as a fresh project's System.dat gives them.
STARTOPTION ProjectDefaults(const cSystemData& sys) {
  STARTOPTION o;
  SetStartOptionDefaults(o, sys.m_vecStartOption);
  return o;
}

void ExpectSameOptions(const STARTOPTION& a, const STARTOPTION& b, const std::string& where) {
  EXPECT_EQ(a.Direct3D, b.Direct3D) << where;
  EXPECT_EQ(a.WindowMode, b.WindowMode) << where;
  EXPECT_EQ(a.Bpp, b.Bpp) << where;
  EXPECT_EQ(a.VSync, b.VSync) << where;
  EXPECT_EQ(a.D3D_FontCache, b.D3D_FontCache) << where;
  EXPECT_EQ(a.DD_FontCache, b.DD_FontCache) << where;
  EXPECT_EQ(a.DD_VideoStretch, b.DD_VideoStretch) << where;
  EXPECT_EQ(a.ShowFps, b.ShowFps) << where;
  EXPECT_EQ(a.English, b.English) << where;
  EXPECT_STREQ(a.FreeStage, b.FreeStage) << where;
}

TEST(StartOptionDefaults, ComeFromTheSystemOptionListExceptEnglish) {
  cSystemData sys;
  STARTOPTION o = ProjectDefaults(sys);
  EXPECT_EQ(o.Direct3D, 2);
  EXPECT_EQ(o.WindowMode, 0);
  EXPECT_EQ(o.Bpp, 0);
  EXPECT_EQ(o.VSync, 2);
  EXPECT_EQ(o.D3D_FontCache, 0);
  EXPECT_EQ(o.DD_FontCache, 1);
  EXPECT_EQ(o.DD_VideoStretch, 0);
  EXPECT_EQ(o.ShowFps, 1);
  EXPECT_STREQ(o.FreeStage, "");
  EXPECT_EQ(o.English, 0);

  for (int i = 0; i < 8; ++i) sys.m_vecStartOption.At(i).m_nValue = 11 + i;
  sys.m_vecStartOption.At(8).m_strValue = "data\\stg4\\a.stg4_778";
  sys.m_vecStartOption.At(9).m_nValue = 1;  // the project's English is not taken
  o.English = 1;
  SetStartOptionDefaults(o, sys.m_vecStartOption);
  const int got[8] = {o.Direct3D,      o.WindowMode,   o.Bpp,             o.VSync,
                      o.D3D_FontCache, o.DD_FontCache, o.DD_VideoStretch, o.ShowFps};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(got[i], 11 + i) << i;
  EXPECT_STREQ(o.FreeStage, "data\\stg4\\a.stg4_778");
  EXPECT_EQ(o.English, 0);

  // A project path that does not fit the 260-byte field is refused, not overrun.
  sys.m_vecStartOption.At(8).m_strValue = std::string(259, 'a');
  SetStartOptionDefaults(o, sys.m_vecStartOption);
  EXPECT_EQ(std::strlen(o.FreeStage), 259u);
  sys.m_vecStartOption.At(8).m_strValue = std::string(5000, 'b');
  SetStartOptionDefaults(o, sys.m_vecStartOption);
  EXPECT_STREQ(o.FreeStage, "");
}

struct IniCase {
  const char* name;
  std::string text;
  int result;
  // Expected values when the read succeeds (a failed read leaves the record as it was).
  int direct3D, windowMode, bpp, vsync, showFps, english;
  const char* freeStage;
};

TEST(SystemIni, KeyValueRulesTable) {
  using namespace std::string_literals;
  cSystemData sys;
  const STARTOPTION defaults = ProjectDefaults(sys);
  // Defaults: Direct3D 2, WindowMode 0, Bpp 0, VSync 2, ShowFps 1, English 0, FreeStage "".
  const IniCase cases[] = {
      {"CRLF lines with Exit", "Direct3D=0\r\nWindowMode=1\r\nBpp=32\r\nExit\r\n", 1, 0, 1, 32, 2, 1, 0, ""},
      {"Exit on the last line without a line end", "Direct3D=1\nWindowMode=2\nExit", 1, 1, 2, 0, 2, 1, 0, ""},
      {"Exit with blanks and CR around it", "Bpp=8\n \tExit \r\n", 1, 2, 0, 8, 2, 1, 0, ""},
      {"no Exit line fails", "Direct3D=0\nWindowMode=1\n", 0, 0, 0, 0, 0, 0, 0, ""},
      {"empty file fails", "", 0, 0, 0, 0, 0, 0, 0, ""},
      {"value running into the end fails", "Exit=1\nBpp=32", 0, 0, 0, 0, 0, 0, 0, ""},
      {"CRLF FreeStage value ends at the CR", "FreeStage=stg4\\a.stg4_778\r\nExit\r\n", 1, 2, 0, 0, 2, 1, 0,
       "stg4\\a.stg4_778"},
      {"a blank ends the value", "FreeStage=C:\\My Stages\\a.stg4_778\nExit\n", 1, 2, 0, 0, 2, 1, 0, "C:\\My"},
      {"Bpp = 16 gives an empty value, 0", "Bpp=32\nBpp = 16\nExit\n", 1, 2, 0, 0, 2, 1, 0, ""},
      {"two entries on a line and a comment", "Bpp=16 WindowMode=1\nVSync=1 // comment\nExit\n", 1, 2, 1, 16, 1, 1, 0,
       ""},
      {"slash ends a value", "ShowFps=2/x\nExit\n", 1, 2, 0, 0, 2, 2, 0, ""},
      {"keys are case-sensitive, unknown keys ignored", "bpp=16\nDIRECT3D=0\nFoo=3\n\n// note\nExit\n", 1, 2, 0, 0, 2,
       1, 0, ""},
      {"one-byte FreeStage is ignored", "FreeStage=ab\nFreeStage=c\nExit\n", 1, 2, 0, 0, 2, 1, 0, "ab"},
      {"values that do not parse read as 0", "ShowFps=abc\nVSync=-1x\nEnglish=+1\nExit\n", 1, 2, 0, 0, -1, 0, 1, ""},
      {"out-of-range numbers saturate", "Bpp=99999999999\nVSync=-99999999999\nExit\n", 1, 2, 0, INT_MAX, INT_MIN, 1, 0,
       ""},
      {"Exit stops the read", "Bpp=8\nExit\nBpp=32\n", 1, 2, 0, 8, 2, 1, 0, ""},
      {"a NUL where a key starts ends with success", "Bpp=8\n\0Bpp=32\n"s, 1, 2, 0, 8, 2, 1, 0, ""},
      {"a NUL ends a value, not the read", "Bpp=8\0WindowMode=1\nExit\n"s, 1, 2, 1, 8, 2, 1, 0, ""},
  };
  for (const IniCase& c : cases) {
    STARTOPTION o = defaults;
    EXPECT_EQ(ParseSystemIni(c.text, o, sys.m_vecStartOption), c.result) << c.name;
    if (c.result == 0) {
      ExpectSameOptions(o, defaults, c.name);
      continue;
    }
    STARTOPTION want = defaults;
    want.Direct3D = c.direct3D;
    want.WindowMode = c.windowMode;
    want.Bpp = c.bpp;
    want.VSync = c.vsync;
    want.ShowFps = c.showFps;
    want.English = c.english;
    std::strcpy(want.FreeStage, c.freeStage);
    ExpectSameOptions(o, want, c.name);
  }
}

TEST(SystemIni, TenThousandEntriesCountAsReadAndNoMoreAreRead) {
  cSystemData sys;
  const STARTOPTION defaults = ProjectDefaults(sys);
  std::string lines;
  for (int i = 0; i < 9999; ++i) lines += "x\n";
  STARTOPTION o = defaults;
  EXPECT_EQ(ParseSystemIni(lines + "Bpp=8\n", o, sys.m_vecStartOption), 1);  // entry 10000 is read
  EXPECT_EQ(o.Bpp, 8);
  o = defaults;
  EXPECT_EQ(ParseSystemIni(lines + "x\nBpp=8\n", o, sys.m_vecStartOption), 1);  // entry 10001 is not
  EXPECT_EQ(o.Bpp, 0);
}

TEST(SystemIni, LongKeysAndValuesAreRefused) {
  cSystemData sys;
  const STARTOPTION defaults = ProjectDefaults(sys);
  struct {
    std::string text;
    int result;
  } cases[] = {
      {std::string(2047, 'k') + "=1\nExit\n", 1},
      {std::string(2048, 'k') + "=1\nExit\n", 0},
      {std::string(100000, ' ') + "Exit\n", 1},  // dropped blanks do not count
      {"FreeStage=" + std::string(259, 'p') + "\nExit\n", 1},
      {"FreeStage=" + std::string(260, 'p') + "\nExit\n", 1},
      {"FreeStage=" + std::string(2047, 'p') + "\nExit\n", 1},
      {"FreeStage=" + std::string(2048, 'p') + "\nExit\n", 0},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    STARTOPTION o = defaults;
    EXPECT_EQ(ParseSystemIni(cases[i].text, o, sys.m_vecStartOption), cases[i].result) << i;
    // Only a value that fits the field with its NUL is taken.
    EXPECT_EQ(std::strlen(o.FreeStage), i == 3 ? 259u : 0u) << i;
  }
}

TEST(SystemIni, ReadsTheFileAndFailsWithoutOne) {
  TempFolder dir{true};
  cSystemData sys;
  STARTOPTION o = ProjectDefaults(sys);
  EXPECT_EQ(ReadSystemIni("System.ini", o, sys.m_vecStartOption), 0);
  EXPECT_EQ(o.Direct3D, 2);

  ASSERT_TRUE(dir.MakeFile("System.ini", "// start-up settings\r\nDirect3D=0\t// DirectDraw\r\nWindowMode=1\r\n"
                                         "FreeStage=data\\stg4\\s.stg4_778\r\nExit\r\n"));
  ASSERT_EQ(ReadSystemIni("system.INI", o, sys.m_vecStartOption), 1);  // names match without regard to case
  EXPECT_EQ(o.Direct3D, 0);
  EXPECT_EQ(o.WindowMode, 1);
  EXPECT_STREQ(o.FreeStage, "data\\stg4\\s.stg4_778");
}

}  // namespace
