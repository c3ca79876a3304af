// How a dialog's static text breaks into lines: a table of texts in a given
// width, measured by a model font (a single-byte character 6 pixels wide, a
// double-byte one 12) and by the dialog font itself. Narrow literals here
// are CP932, as the texts are at run time.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/fonts.h"
#include "platform/text.h"
#include "services/gui_dialog.h"
#include "services/strings.h"

namespace {

bool IsLeadAt(std::string_view s, size_t i) { return i + 1 < s.size() && IsSJISChar(s.data() + i); }

// The model font: the width a text has, character by character.
int ModelWidth(std::string_view s) {
  int w = 0;
  for (size_t i = 0; i < s.size();) {
    bool dbcs = IsLeadAt(s, i);
    w += dbcs ? 12 : 6;
    i += dbcs ? 2 : 1;
  }
  return w;
}

std::string Shown(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& l : lines) all += "[" + plat::Cp932ToUtf8(l) + "]";
  return all;
}

// Every line is a run of whole characters of the text, in order, and the
// lines leave out nothing but the spaces and line ends at their breaks.
void ExpectWholeCharacters(const std::string& text, const std::vector<std::string>& lines) {
  std::vector<bool> boundary(text.size() + 1, false);
  for (size_t i = 0; i < text.size(); i += IsLeadAt(text, i) ? 2 : 1) boundary[i] = true;
  boundary[text.size()] = true;
  size_t cursor = 0;
  for (const std::string& line : lines) {
    while (cursor < text.size() && line.empty() == false && text.compare(cursor, line.size(), line) != 0) {
      ASSERT_TRUE(text[cursor] == ' ' || text[cursor] == '\r' || text[cursor] == '\n')
          << "skipped a character at " << cursor << " before " << plat::Cp932ToUtf8(line);
      ++cursor;
    }
    if (line.empty()) {
      while (cursor < text.size() && (text[cursor] == '\r' || text[cursor] == '\n')) ++cursor;
      continue;
    }
    ASSERT_EQ(text.compare(cursor, line.size(), line), 0) << plat::Cp932ToUtf8(line);
    EXPECT_TRUE(boundary[cursor]) << "a line starts inside a character: " << plat::Cp932ToUtf8(line);
    EXPECT_TRUE(boundary[cursor + line.size()]) << "a line ends inside a character: " << plat::Cp932ToUtf8(line);
    cursor += line.size();
  }
  for (; cursor < text.size(); ++cursor) EXPECT_TRUE(text[cursor] == ' ' || text[cursor] == '\r' || text[cursor] == '\n');
}

TEST(GuiText, StaticTextsWrapAtWordsAndBetweenJapaneseCharacters) {
  struct Case {
    const char* what;
    std::string text;
    int width;
    std::vector<std::string> lines;
  } cases[] = {
      {"fits: one line", "Start", 30, {"Start"}},
      // 60 pixels hold five double-byte characters.
      {"Japanese", "詳細な設定は環境設定ファイル", 60, {"詳細な設定", "は環境設定", "ファイル"}},
      // 84 pixels hold seven, but a full stop never starts a line: the
      // character before it goes with it.
      {"Japanese with a full stop", "設定して下さい。", 84, {"設定して下さ", "い。"}},
      // 100 pixels hold 16 single-byte characters; the breaking spaces vanish.
      {"English", "Configure the detail settings at \"System.ini\".", 100,
       {"Configure the", "detail settings", "at \"System.ini\"."}},
      // 110 pixels: the brackets stay with the word inside them.
      {"mixed", "環境設定ファイル「System.ini」で行って", 110,
       {"環境設定ファイル", "「System.ini」で行", "って"}},
      {"mixed, after a space", "OK ボタン", 36, {"OK ボ", "タン"}},
      // A word wider than the control breaks between its characters.
      {"one long word", "abcdefghijklmnopqrstuvwxyz", 60, {"abcdefghij", "klmnopqrst", "uvwxyz"}},
      {"a long word between short ones", "a verylongwordhere b", 60, {"a", "verylongwo", "rdhere b"}},
      // Trail bytes 0x5C and 0x40 are no separators or spaces.
      {"trail bytes that look like ASCII", "ソソソソソ", 30, {"ソソ", "ソソ", "ソ"}},
      {"full-width spaces are characters", "あ　い　う", 36, {"あ　い", "　う"}},
      {"narrower than one character: one a line, never half", "あいう", 8, {"あ", "い", "う"}},
      {"line feeds", "一行目\r\n\r\n2", 200, {"一行目", "", "2"}},
      {"empty", "", 50, {""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> lines = WrapDialogText(c.text, c.width, ModelWidth);
    EXPECT_EQ(lines, c.lines) << Shown(lines);
    ExpectWholeCharacters(c.text, lines);
    for (const std::string& l : lines)
      if (ModelWidth(l) > c.width) { EXPECT_EQ(l.size(), IsLeadAt(l, 0) ? 2u : 1u) << "too wide: " << plat::Cp932ToUtf8(l); }
  }
}

TEST(GuiText, DialogFontLinesFitTheirWidthAndKeepWholeCharacters) {
  const plat::Font& font = DialogFont();
  ASSERT_TRUE(font.IsValid());
  const std::string note = "詳細な設定は環境設定ファイル「System.ini」で行って下さい。";
  // The start-up dialog's note is one line in its 312-pixel control.
  EXPECT_LE(font.Measure(note).cx, 312);
  EXPECT_EQ(WrapDialogText(note, 312), std::vector<std::string>{note});
  const std::string texts[] = {
      note,
      "Configure the detail settings at \"System.ini\".",
      "次回からこのダイアログを表示しない Do not ask this dialog again",
      "登録名(3文字まで)",
      "C:\\ゲーム\\ソフト\\表示\\data\\stage\\very_long_stage_file_name_000.stg4",
  };
  for (const std::string& text : texts)
    for (int width : {40, 84, 120, 200}) {
      SCOPED_TRACE(plat::Cp932ToUtf8(text) + " in " + std::to_string(width));
      std::vector<std::string> lines = WrapDialogText(text, width);
      ExpectWholeCharacters(text, lines);
      for (const std::string& l : lines) {
        ASSERT_FALSE(l.empty());
        if (font.Measure(l).cx > width) { EXPECT_EQ(l.size(), IsLeadAt(l, 0) ? 2u : 1u) << Shown(lines); }
      }
      // Closing marks stay with what they close whenever the line before
      // holds more than one character.
      for (size_t i = 1; i < lines.size(); ++i)
        for (const char* mark : {"」", "。", ")"})
          if (lines[i].rfind(mark, 0) == 0) { EXPECT_LE(lines[i - 1].size(), 2u) << Shown(lines); }
    }
}

}  // namespace
