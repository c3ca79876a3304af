#include "services/gui_controls.h"

#include <algorithm>

#include "platform/video.h"
#include "services/gui_dialog.h"
#include "services/strings.h"

namespace {

size_t CharBytes(const std::string& s, size_t i) {
  return (i + 1 < s.size() && IsSJISChar(s.c_str() + i)) ? 2 : 1;
}

int CountLines(const std::string& s) {
  return static_cast<int>(std::count(s.begin(), s.end(), '\n')) + 1;
}

}  // namespace

namespace {
int g_prevLeft = 0, g_prevRight = 0;
int g_latchLeft = 0, g_latchRight = 0;
}  // namespace

void cMouse::ResetLatches() { g_prevLeft = g_prevRight = g_latchLeft = g_latchRight = 0; }

int cMouse::Update(int flags) {
  int px, py;
  bool l, r;
  plat::GetMouseState(&px, &py, &l, &r);
  return UpdateFrom(flags, l, r);
}

int cMouse::UpdateFrom(int flags, bool leftDown, bool rightDown) {
  g_prevLeft = left;
  g_prevRight = right;
  if (flags & 1) {
    left = leftDown ? 1 : 0;
    right = rightDown ? 1 : 0;
  }
  if (flags & 2) {
    auto edge = [](int held, int& latch, int& pressed) {
      if (!held) {
        latch = 0;
        pressed = 0;
      } else if (latch) {
        pressed = 0;
      } else {
        latch = 1;
        pressed = 1;
      }
    };
    edge(left, g_latchLeft, leftPressed);
    edge(right, g_latchRight, rightPressed);
  }
  if (flags & 4) {
    leftReleased = (g_prevLeft && !left) ? 1 : 0;
    rightReleased = (g_prevRight && !right) ? 1 : 0;
  }
  return 1;
}

int cControl::Enable(bool enable) {
  if (!m_pWindow) return 0;
  bool was = m_pWindow->enabled;
  m_pWindow->enabled = enable;
  return was ? 0 : 1;
}

void cControl::Attach(cDialog* dialog, uint16_t id) {
  m_pDialog = dialog;
  m_nId = id;
  m_sText.clear();
  m_pWindow = dialog ? dialog->GetItem(id) : nullptr;
  GetPos();
  if (dialog) dialog->AddControl(this);
}

void cControl::GetPos() {
  if (!m_pWindow || !m_pDialog) return;
  m_nClientX = m_pWindow->x;
  m_nClientY = m_pWindow->y;
  m_nScreenX = m_pDialog->PosX() + m_pDialog->Layout().frameLeft + m_nClientX;
  m_nScreenY = m_pDialog->PosY() + m_pDialog->Layout().frameTop + m_nClientY;
}

int cControl::SetText(const std::string& textCp932) {
  if (!m_pWindow) return 0;
  m_pWindow->text = textCp932;
  return 1;
}

void cCheckBox::Attach(cDialog* dialog, uint16_t id, int* value) {
  m_pValue = value;
  cControl::Attach(dialog, id);
}

void cCheckBox::DataToWindow() {
  if (m_pWindow && m_pValue) m_pWindow->check = *m_pValue ? 1 : 0;
}

void cCheckBox::WindowToData() {
  if (m_pWindow && m_pValue) *m_pValue = m_pWindow->check;
}

void cRadioButton::Attach(cDialog* dialog, uint16_t id, int* value, int ownValue) {
  m_pValue = value;
  m_nOwnValue = ownValue;
  cControl::Attach(dialog, id);
}

void cRadioButton::DataToWindow() {
  if (m_pWindow && m_pValue) m_pWindow->check = (*m_pValue == m_nOwnValue) ? 1 : 0;
}

void cRadioButton::WindowToData() {
  if (m_pWindow && m_pValue && m_pWindow->check) *m_pValue = m_nOwnValue;
}

void cEdit::Attach(cDialog* dialog, uint16_t id, std::string* value, int maxTotal, int maxLine,
                   int maxLines, int countChars) {
  m_pValue = value;
  m_nMaxTotal = maxTotal ? maxTotal : 4096;
  m_nMaxLine = maxLine ? maxLine : 1024;
  m_nMaxLines = maxLines ? maxLines : 32;
  m_bCountChars = countChars;
  cControl::Attach(dialog, id);
  m_sPrevText = value ? *value : std::string();
  if (m_pWindow) m_pWindow->text = m_sPrevText;
  m_bAttaching = true;
  OnChange();
  m_bAttaching = false;
}

void cEdit::DataToWindow() {
  if (m_pWindow && m_pValue) m_pWindow->text = *m_pValue;
}

void cEdit::WindowToData() {
  if (m_pWindow && m_pValue) *m_pValue = ReadLimited(m_pWindow->text);
}

int cEdit::Measure(const std::string& text) const {
  return m_bCountChars ? GetCharCount(text) : static_cast<int>(text.size());
}

size_t cEdit::FittingBytes(const std::string& text, int limit) const {
  // Whole characters only: a limit that falls inside a double-byte
  // character leaves the character out instead of keeping half of it.
  size_t i = 0;
  int used = 0;
  while (i < text.size()) {
    size_t n = CharBytes(text, i);
    int cost = m_bCountChars ? (text[i] == '\n' ? 0 : 1) : static_cast<int>(n);
    if (used + cost > limit) break;
    used += cost;
    i += n;
  }
  return i;
}

std::string cEdit::ReadLimited(const std::string& text) const {
  return text.substr(0, FittingBytes(text, m_nMaxTotal));
}

void cEdit::OnChange() {
  if (m_bInChange || !m_pWindow) return;
  m_bInChange = true;
  std::string work = ReadLimited(m_pWindow->text);
  int selStart = m_bAttaching ? 0 : m_pWindow->selStart;
  int selEnd = m_bAttaching ? 0 : m_pWindow->selEnd;
  bool limited = m_nMaxLines > 0 || m_nMaxLine > 0;
  if (limited && m_nMaxLine > 0) {
    // Wrap each line that is too long; the cut-off rest joins the next line.
    size_t pos = 0;
    for (int line = 0; line < std::max(m_nMaxLines, 1); ++line) {
      size_t eol = work.find("\r\n", pos);
      size_t end = eol == std::string::npos ? work.size() : eol;
      std::string piece = work.substr(pos, end - pos);
      if (Measure(piece) > m_nMaxLine) {
        size_t cut = pos + FittingBytes(piece, m_nMaxLine);
        work.insert(cut, "\r\n");
        if (selStart >= static_cast<int>(cut)) selStart += 2;
        if (selEnd >= static_cast<int>(cut)) selEnd += 2;
        size_t next = work.find("\r\n", cut + 2);
        if (next != std::string::npos) {
          work.erase(next, 2);
          if (selStart > static_cast<int>(next)) selStart -= 2;
          if (selEnd > static_cast<int>(next)) selEnd -= 2;
        }
        pos = cut + 2;
        continue;
      }
      if (eol == std::string::npos) break;
      pos = eol + 2;
    }
  }
  if (limited && m_nMaxLines > 0 && CountLines(work) > m_nMaxLines) {
    if (m_bAttaching) {
      // The stored text is cut to what one line allows.
      work = m_sPrevText;
      size_t keep = work.find('\r');
      if (keep != std::string::npos) work.resize(keep);
      if (m_nMaxLine > 0) work.resize(FittingBytes(work, m_nMaxLine));
      work = ReadLimited(work);
    } else {
      work = m_sPrevText;
      selStart = m_nSelStart;
      selEnd = m_nSelEnd;
    }
  }
  auto fix = [&](int& s) {
    if (s >= 0 && s < static_cast<int>(work.size()) && work[s] == '\n') ++s;
    s = std::clamp(s, 0, static_cast<int>(work.size()));
  };
  fix(selStart);
  fix(selEnd);
  m_pWindow->text = work;
  if (!m_bAttaching) {
    m_pWindow->selStart = selStart;
    m_pWindow->selEnd = selEnd;
  } else {
    m_pWindow->selStart = m_pWindow->selEnd = static_cast<int>(work.size());
  }
  m_nSelStart = m_pWindow->selStart;
  m_nSelEnd = m_pWindow->selEnd;
  m_sPrevText = work;
  m_bInChange = false;
}
