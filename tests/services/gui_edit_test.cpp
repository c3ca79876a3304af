// The edit control's limits while the user types: never more than allowed,
// never half a double-byte character.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/answers.h"
#include "platform/dialog_input.h"
#include "platform/input.h"
#include "platform/msgbox.h"
#include "services/gui_controls.h"
#include "services/gui_dialog.h"

namespace {

constexpr uint16_t kText = 200;

const sDialogResource kEntry{
    301, 120, 40, "Name",
    {
        {eItemKind::Edit, kText, 5, 5, 100, 12, "", false},
        {eItemKind::DefButton, IDOK, 5, 22, 40, 14, "OK", false},
    }};

struct Limits {
  int total, line, lines, chars;
};

class cEntryDialog : public cDialog {
 public:
  cEntryDialog(std::string* value, Limits limits) : m_pValue(value), m_Limits(limits) {
    Init(&kEntry, nullptr, value);
  }
  void OnInitDialog(WPARAM w, LPARAM l) override {
    cDialog::OnInitDialog(w, l);
    m_Edit.Attach(this, kText, m_pValue, m_Limits.total, m_Limits.line, m_Limits.lines,
                  m_Limits.chars);
    DataToControls();
  }
  void OnCommand(WPARAM w, LPARAM l) override {
    if ((w & 0xFFFF) == IDOK) {
      ControlsToData();
      Close(IDOK);
      return;
    }
    cDialog::OnCommand(w, l);
  }

 private:
  std::string* m_pValue;
  Limits m_Limits;
  cEdit m_Edit;
};

// One event per piece: text, or a key written as "\x01" followed by its code.
std::string Type(Limits limits, const std::vector<std::string>& pieces, std::string start = "") {
  plat::ClearDialogInput();
  for (const std::string& p : pieces) {
    if (p.size() == 2 && p[0] == '\x01')
      plat::InjectDialogKey(static_cast<unsigned char>(p[1]));
    else
      plat::InjectDialogText(p);
  }
  plat::InjectDialogKey(VK_RETURN);
  std::string value = std::move(start);
  cEntryDialog dlg(&value, limits);
  EXPECT_EQ(dlg.DoModal(0), IDOK);
  return value;
}

bool EndsInHalfACharacter(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    if (lead && i + 1 >= s.size()) return true;
    i += lead ? 2 : 1;
  }
  return false;
}

TEST(GuiEdit, ThreeCharacterLimitKeepsWholeCharacters) {
  const Limits chars3{3, 3, 1, 1};
  const Limits total3{3, 0, 1, 1};   // only the total limit, in characters
  const Limits bytes5{5, 5, 1, 0};   // counted in bytes
  const std::string kBack{'\x01', static_cast<char>(VK_BACK)};
  struct Case {
    const char* what;
    Limits limits;
    std::vector<std::string> typed;
    std::string expected;
  } cases[] = {
      {"ASCII at once", chars3, {"ABCD"}, "ABC"},
      {"ASCII one by one", chars3, {"A", "B", "C", "D"}, "ABC"},
      {"double-byte at once", chars3, {"あいうえ"}, "あいう"},
      {"double-byte one by one", chars3, {"あ", "い", "う", "え"}, "あいう"},
      {"mixed", chars3, {"Aあいう"}, "Aあい"},
      {"total limit only", total3, {"あいうえ"}, "あいう"},
      {"total limit only, mixed", total3, {"xあyい"}, "xあy"},
      {"bytes: a limit inside a character", bytes5, {"AAAAあ"}, "AAAA"},
      {"bytes: double-byte", bytes5, {"あいう"}, "あい"},
      {"backspace takes a whole character", chars3, {"あい", kBack}, "あ"},
      {"backspace then more", chars3, {"ABC", kBack, "う", "え"}, "ABう"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string got = Type(c.limits, c.typed);
    EXPECT_EQ(got, c.expected);
    EXPECT_FALSE(EndsInHalfACharacter(got));
  }
  EXPECT_EQ(Type(chars3, {"あいう"}).size(), 6u);
}

TEST(GuiEdit, StoredTextLongerThanTheLimitIsCutOnAttach) {
  EXPECT_EQ(Type({3, 3, 1, 1}, {}, "あいうえお"), "あいう");
  EXPECT_EQ(Type({5, 5, 1, 0}, {}, "ABCDあ"), "ABCD");
}

TEST(GuiEdit, LongLinesWrapAtThePerLineLimit) {
  // 25 letters into lines of 10 bytes, three lines allowed.
  std::string got = Type({4096, 10, 3, 0}, {"ABCDEFGHIJKLMNOPQRSTUVWXY"});
  EXPECT_EQ(got, "ABCDEFGHIJ\r\nKLMNOPQRST\r\nUVWXY");
  // Two lines allowed: the third would be too many and the paste is refused.
  EXPECT_EQ(Type({4096, 10, 2, 0}, {"ABC", "DEFGHIJKLMNOPQRSTUVWXYZ"}), "ABC");
}

}  // namespace
