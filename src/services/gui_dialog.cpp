#include "services/gui_dialog.h"

#include <algorithm>

#include "platform/answers.h"
#include "platform/fonts.h"
#include "platform/input.h"
#include "platform/msgbox.h"
#include "platform/signals.h"
#include "platform/text.h"
#include "platform/video.h"
#include "services/log.h"
#include "services/strings.h"

namespace {

bool IsFocusKind(eItemKind k) {
  return k != eItemKind::Static && k != eItemKind::Group && k != eItemKind::Picture;
}
bool IsButtonKind(eItemKind k) { return k == eItemKind::Button || k == eItemKind::DefButton; }

size_t PrevCharStart(const std::string& s, size_t i) {
  // Walk from the start so that a trail byte is never taken for a lead byte.
  size_t p = 0, last = 0;
  while (p < i) {
    last = p;
    p += (p + 1 < s.size() && IsSJISChar(s.c_str() + p)) ? 2 : 1;
  }
  return last;
}

size_t NextCharEnd(const std::string& s, size_t i) {
  if (i >= s.size()) return s.size();
  if (i + 1 < s.size() && s[i] == '\r' && s[i + 1] == '\n') return i + 2;
  return i + ((i + 1 < s.size() && IsSJISChar(s.c_str() + i)) ? 2 : 1);
}

// The hook sees the generic modifier keys, as the system's hook did; the
// game's key table keeps the sides.
int HookKey(int vk) {
  switch (vk) {
    case VK_LCONTROL: case VK_RCONTROL: return VK_CONTROL;
    case VK_LSHIFT: case VK_RSHIFT: return VK_SHIFT;
    case VK_LMENU: case VK_RMENU: return VK_MENU;
    default: return vk;
  }
}

}  // namespace

cDialog::cDialog() = default;
cDialog::~cDialog() = default;

void cDialog::Init(const sDialogResource* resource, cDialog* owner, void* data) {
  m_pResource = resource;
  m_pOwnerDialog = owner;
  cWindow::Init(resource ? resource->id : 0, owner, data);
}

int cDialog::Close(int result) {
  m_nResult = result;
  m_Controls.clear();
  m_bOpen = false;
  return 1;
}

void cDialog::CreateItems() {
  m_Items.clear();
  if (!m_pResource) return;
  for (const sDialogItemDesc& d : m_pResource->items) {
    cDialogItem item;
    item.desc = d;
    item.text = d.text ? d.text : "";
    item.x = DialogUnitsToPixelsX(d.x);
    item.y = DialogUnitsToPixelsY(d.y);
    item.cx = DialogUnitsToPixelsX(d.cx);
    item.cy = DialogUnitsToPixelsY(d.cy);
    // A picture control takes the size of its bitmap.
    if (d.kind == eItemKind::Picture && d.bitmap) {
      item.cx = d.bitmap->width;
      item.cy = d.bitmap->height;
    }
    m_Items.push_back(item);
  }
}

int cDialog::DoModal(int /*flags*/) {
  if (m_bOpen) return 0;
  Close(0);
  CreateItems();
  m_bOpen = true;
  m_nResult = 0;
  m_nFocus = -1;
  if (!plat::CopyShownFrame(&m_Frozen, &m_nFrozenW, &m_nFrozenH)) {
    m_nFrozenW = DesktopWidth();
    m_nFrozenH = DesktopHeight();
    m_Frozen.assign(static_cast<size_t>(m_nFrozenW) * m_nFrozenH, 0xFF000000u);
  }
  plat::BeginDialogInput();
  // Our hook is a decision on this thread: tying cannot fail.
  m_Hook.Hook(Handle(), 0);
  OnInitDialog(0, 0);
  if (m_nFocus < 0) MoveFocus(1);
  if (m_bOwnWindow) {
    const char* title = m_pResource && m_pResource->title ? m_pResource->title : "";
    if (!m_bOpen || !plat::OpenBoxWindow(title, Layout().windowW, Layout().windowH)) {
      Close(0);
    } else {
      // The window is the dialog's alone: it fills it from its top left.
      SetPos(0, 0);
      m_nFrozenW = Layout().windowW;
      m_nFrozenH = Layout().windowH;
      m_Frozen.assign(static_cast<size_t>(m_nFrozenW) * m_nFrozenH, 0xFF000000u);
    }
  }
  while (m_bOpen) {
    for (const plat::DialogInput& in : plat::TakeDialogInput()) {
      if (!m_bOpen) break;
      HandleInput(in);
    }
    if (!m_bOpen) break;
    if (plat::IsClosing() || (m_bOwnWindow && plat::CloseRequestedBeforeWindow())) {
      Close(0);
      break;
    }
    if (!plat::HasVideoWindow()) {
      AnswerWithoutWindow();
      break;
    }
    UpdateMouse(false, 7);
    ShowFrame();
    if (!plat::PumpMessages(16)) {
      // The quit belongs to the outer loop as well.
      Close(0);
      plat::PostQuitMessage(0);
    }
  }
  plat::ClearDialogInput();
  m_Hook.Hook(nullptr, 0);
  plat::EndDialogInput();
  m_Items.clear();
  m_nFocus = -1;
  if (m_bOwnWindow) {
    if (plat::HasBoxWindow()) plat::CloseBoxWindow();
    return m_nResult;
  }
  if (plat::HasVideoWindow() && !m_Frozen.empty())
    plat::ShowDialogFrame(m_Frozen.data(), m_nFrozenW, m_nFrozenH, m_nFrozenW);
  return m_nResult;
}

void cDialog::OnInitDialog(WPARAM, LPARAM) {
  m_Controls.clear();
  // Every dialog resource of ours has a caption and a dialog frame.
  m_Layout.style |= kWsCaption;
  UpdateStyle();
  if (m_pResource)
    SetClientSize(DialogUnitsToPixelsX(m_pResource->cx), DialogUnitsToPixelsY(m_pResource->cy));
  if (m_pOwnerDialog || m_pParent || (m_nStoredX != -1000 && m_nStoredY != -1000))
    Locate();
  else
    CenterOnDesktop();
  UpdateMouse(false, 7);
  m_PrevMouse = m_Mouse;
}

void cDialog::OnCommand(WPARAM wParam, LPARAM) {
  uint16_t id = static_cast<uint16_t>(wParam & 0xFFFF);
  uint16_t code = static_cast<uint16_t>((wParam >> 16) & 0xFFFF);
  for (cControl* c : m_Controls) {
    if (c->Id() != id) continue;
    switch (c->Type()) {
      case 2:
      case kCtrlEdit:
        if (code == kEnUpdate) c->OnChange();
        else if (code == kEnKillFocus) c->OnKillFocus();
        break;
      case 7:
        if (code == 1) c->OnChange();
        break;
      case kCtrlList:
        if (code == 1) c->OnChange();
        else if (code == 5) c->OnKillFocus();
        break;
      default: break;
    }
    break;
  }
  for (cControl* c : m_Controls)
    if (c->Type() == kCtrlList) c->AfterCommand();
}

void cDialog::DataToControls() {
  for (cControl* c : m_Controls) c->DataToWindow();
}

void cDialog::ControlsToData() {
  for (cControl* c : m_Controls) c->WindowToData();
}

int cDialog::RefreshLists() {
  for (cControl* c : m_Controls)
    if (c->Type() == kCtrlList) c->RefreshList();
  return 1;
}

void cDialog::AddControl(cControl* control) {
  if (std::find(m_Controls.begin(), m_Controls.end(), control) == m_Controls.end())
    m_Controls.push_back(control);
}

cDialogItem* cDialog::GetItem(uint16_t id) {
  for (cDialogItem& item : m_Items)
    if (item.desc.id == id) return &item;
  return nullptr;
}

std::string cDialog::GetItemText(uint16_t id) {
  cDialogItem* item = GetItem(id);
  return item ? item->text : std::string();
}

void cDialog::SetItemText(uint16_t id, const std::string& textCp932) {
  if (cDialogItem* item = GetItem(id)) item->text = textCp932;
}

uint16_t cDialog::FocusId() const {
  return m_nFocus >= 0 && m_nFocus < static_cast<int>(m_Items.size()) ? m_Items[m_nFocus].desc.id
                                                                        : 0;
}

void cDialog::SetFocusId(uint16_t id) {
  for (size_t i = 0; i < m_Items.size(); ++i)
    if (m_Items[i].desc.id == id && IsFocusKind(m_Items[i].desc.kind) && m_Items[i].enabled) {
      SetFocusIndex(static_cast<int>(i));
      return;
    }
}

void cDialog::SetFocusIndex(int index) {
  if (index == m_nFocus) return;
  int old = m_nFocus;
  m_nFocus = index;
  if (old >= 0 && old < static_cast<int>(m_Items.size()) &&
      m_Items[old].desc.kind == eItemKind::Edit)
    SendCommand(m_Items[old].desc.id, kEnKillFocus);
  if (index >= 0 && m_Items[index].desc.kind == eItemKind::Edit) {
    // Entering an edit selects its whole text, as typing then replaces it.
    m_Items[index].selStart = 0;
    m_Items[index].selEnd = static_cast<int>(m_Items[index].text.size());
  }
}

size_t cDialog::GroupStart(size_t index) const {
  size_t i = index;
  while (i > 0 && !m_Items[i].desc.group && m_Items[i - 1].desc.kind == eItemKind::Radio) --i;
  return i;
}

size_t cDialog::GroupEnd(size_t index) const {
  size_t i = index + 1;
  while (i < m_Items.size() && m_Items[i].desc.kind == eItemKind::Radio && !m_Items[i].desc.group)
    ++i;
  return i;
}

bool cDialog::IsTabStop(size_t index) const {
  const cDialogItem& item = m_Items[index];
  if (!IsFocusKind(item.desc.kind) || !item.enabled) return false;
  if (item.desc.kind != eItemKind::Radio) return true;
  // A radio group is one stop: its checked button, or its first enabled one.
  size_t start = GroupStart(index), end = GroupEnd(index);
  for (size_t i = start; i < end; ++i)
    if (m_Items[i].check && m_Items[i].enabled) return i == index;
  for (size_t i = start; i < end; ++i)
    if (m_Items[i].enabled) return i == index;
  return false;
}

void cDialog::MoveFocus(int step) {
  int n = static_cast<int>(m_Items.size());
  if (n == 0) return;
  int i = m_nFocus;
  for (int tries = 0; tries < n; ++tries) {
    i = ((i < 0 ? (step > 0 ? -1 : 0) : i) + step + n) % n;
    if (IsTabStop(static_cast<size_t>(i))) {
      SetFocusIndex(i);
      return;
    }
  }
}

uint16_t cDialog::DefaultButtonId() const {
  for (const cDialogItem& item : m_Items)
    if (item.desc.kind == eItemKind::DefButton) return item.desc.id;
  return IDOK;
}

void cDialog::PickRadio(size_t index) {
  for (size_t i = GroupStart(index); i < GroupEnd(index); ++i) m_Items[i].check = i == index;
}

void cDialog::Press(cDialogItem& item) {
  if (!item.enabled) return;
  switch (item.desc.kind) {
    case eItemKind::CheckBox: item.check = item.check ? 0 : 1; break;
    case eItemKind::Radio: PickRadio(static_cast<size_t>(&item - m_Items.data())); break;
    case eItemKind::Button:
    case eItemKind::DefButton: break;
    default: return;
  }
  SendCommand(item.desc.id, kBnClicked);
}

void cDialog::MoveInRadioGroup(size_t index, int step) {
  size_t start = GroupStart(index), end = GroupEnd(index);
  size_t count = end - start;
  size_t i = index;
  for (size_t tries = 0; tries < count; ++tries) {
    i = start + (i - start + count + static_cast<size_t>(step + static_cast<int>(count))) % count;
    if (m_Items[i].enabled) break;
  }
  SetFocusIndex(static_cast<int>(i));
  Press(m_Items[i]);
}

void cDialog::NotifyEditChanged(cDialogItem& item) { SendCommand(item.desc.id, kEnUpdate); }

void cDialog::EditInsert(cDialogItem& item, const std::string& text) {
  size_t a = static_cast<size_t>(std::clamp(std::min(item.selStart, item.selEnd), 0,
                                            static_cast<int>(item.text.size())));
  size_t b = static_cast<size_t>(std::clamp(std::max(item.selStart, item.selEnd), 0,
                                            static_cast<int>(item.text.size())));
  item.text.replace(a, b - a, text);
  item.selStart = item.selEnd = static_cast<int>(a + text.size());
  NotifyEditChanged(item);
}

bool cDialog::EditKey(cDialogItem& item, int vk) {
  int size = static_cast<int>(item.text.size());
  int a = std::clamp(std::min(item.selStart, item.selEnd), 0, size);
  int b = std::clamp(std::max(item.selStart, item.selEnd), 0, size);
  switch (vk) {
    case VK_BACK:
      if (a == b) {
        if (a == 0) return true;
        a = static_cast<int>(PrevCharStart(item.text, static_cast<size_t>(a)));
        if (a > 0 && item.text[a] == '\n' && item.text[a - 1] == '\r') --a;
      }
      item.selStart = item.selEnd = a;
      item.text.erase(static_cast<size_t>(a), static_cast<size_t>(b - a));
      NotifyEditChanged(item);
      return true;
    case VK_DELETE:
      if (a == b) b = static_cast<int>(NextCharEnd(item.text, static_cast<size_t>(a)));
      item.selStart = item.selEnd = a;
      item.text.erase(static_cast<size_t>(a), static_cast<size_t>(b - a));
      NotifyEditChanged(item);
      return true;
    case VK_LEFT: {
      int p = a == b ? static_cast<int>(PrevCharStart(item.text, static_cast<size_t>(a))) : a;
      if (p > 0 && item.text[p] == '\n' && item.text[p - 1] == '\r') --p;
      item.selStart = item.selEnd = p;
      return true;
    }
    case VK_RIGHT: {
      int p = a == b ? static_cast<int>(NextCharEnd(item.text, static_cast<size_t>(b))) : b;
      item.selStart = item.selEnd = p;
      return true;
    }
    case VK_HOME: item.selStart = item.selEnd = 0; return true;
    case VK_END: item.selStart = item.selEnd = size; return true;
    default: return false;
  }
}

void cDialog::HandleInput(const plat::DialogInput& input) {
  if (!m_bOpen) return;
  cDialogItem* focus =
      m_nFocus >= 0 && m_nFocus < static_cast<int>(m_Items.size()) ? &m_Items[m_nFocus] : nullptr;
  if (input.kind == plat::DialogInput::Text) {
    if (focus && focus->desc.kind == eItemKind::Edit && focus->enabled && !input.textCp932.empty())
      EditInsert(*focus, input.textCp932);
    return;
  }
  if (input.kind == plat::DialogInput::Click) {
    Click(input.x, input.y);
    return;
  }
  const int hookKey = HookKey(input.vk);
  cHookDecision d = cHook::HookProc(Handle(), hookKey, input.release, plat::DialogComposing());
  if (d.toGame) plat::PassKeyToGame(input.vk, !input.release);
  if (!input.release && d.toControl && !d.toComposition) FocusedControlKey(input.vk, input.shift);
  if (!m_bOpen) return;
  switch (d.post) {
    case eHookPost::KeyDown: OnKeyDown(hookKey, 0, input.ctrl); break;
    case eHookPost::SpecialKey: OnHookMessage(kHookSpecialKeyMessage, hookKey, 0, input.ctrl); break;
    case eHookPost::KeyUp:  // no control of ours acts on a release
    case eHookPost::None: break;
  }
}

void cDialog::OnHookMessage(uint32_t message, WPARAM wParam, LPARAM lParam, bool ctrl) {
  if (message == kHookSpecialKeyMessage && m_bOpen)
    OnKeyDown(static_cast<int>(wParam), lParam, ctrl);
}

void cDialog::OnKeyDown(int vk, LPARAM lParam, bool ctrl) {
  std::vector<cControl*> controls = m_Controls;
  for (cControl* c : controls) {
    if (!m_bOpen) return;
    c->OnKey(vk, lParam, ctrl);
  }
}

void cDialog::FocusedControlKey(int vk, bool shift) {
  cDialogItem* focus =
      m_nFocus >= 0 && m_nFocus < static_cast<int>(m_Items.size()) ? &m_Items[m_nFocus] : nullptr;
  switch (vk) {
    case VK_TAB: MoveFocus(shift ? -1 : 1); break;
    case VK_ESCAPE: SendCommand(IDCANCEL, kBnClicked); break;
    case VK_RETURN:
      if (focus && IsButtonKind(focus->desc.kind) && focus->enabled)
        SendCommand(focus->desc.id, kBnClicked);
      else
        SendCommand(DefaultButtonId(), kBnClicked);
      break;
    case VK_SPACE:
      if (focus && focus->desc.kind != eItemKind::Edit) Press(*focus);
      break;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      if (focus && focus->desc.kind == eItemKind::Radio) {
        MoveInRadioGroup(static_cast<size_t>(m_nFocus),
                         (vk == VK_LEFT || vk == VK_UP) ? -1 : 1);
      } else if (focus && focus->desc.kind == eItemKind::Edit) {
        EditKey(*focus, vk);
      }
      break;
    default:
      if (focus && focus->desc.kind == eItemKind::Edit && focus->enabled) EditKey(*focus, vk);
      break;
  }
}

void cDialog::Click(int x, int y) {
  int cx = x - PosX() - Layout().frameLeft;
  int cy = y - PosY() - Layout().frameTop;
  for (size_t i = 0; i < m_Items.size(); ++i) {
    cDialogItem& item = m_Items[i];
    if (cx < item.x || cy < item.y || cx >= item.x + item.cx || cy >= item.y + item.cy) continue;
    // Texts, frames and pictures let a click through to what lies under
    // them: the radio buttons inside a group box are pressed, not the box.
    if (!IsFocusKind(item.desc.kind)) continue;
    if (!item.enabled) return;
    SetFocusIndex(static_cast<int>(i));
    if (item.desc.kind == eItemKind::Edit)
      item.selStart = item.selEnd = static_cast<int>(item.text.size());
    else
      Press(item);
    return;
  }
}

void cDialog::AnswerWithoutWindow() {
  const char* title = m_pResource && m_pResource->title ? m_pResource->title : "";
  WriteReport("Dialog : %s", title);
  for (const cDialogItem& item : m_Items)
    if ((item.desc.kind == eItemKind::Static || item.desc.kind == eItemKind::Group) && !item.text.empty())
      WriteReport("  %s", item.text.c_str());
  std::string line;
  bool have = plat::NextAnswer(&line);
  std::vector<std::string> fields;
  if (have) {
    size_t start = 0;
    for (;;) {
      size_t semi = line.find(';', start);
      fields.push_back(line.substr(start, semi == std::string::npos ? std::string::npos
                                                                    : semi - start));
      if (semi == std::string::npos) break;
      start = semi + 1;
    }
  }
  for (size_t f = 1; f < fields.size(); ++f) {
    size_t eq = fields[f].find('=');
    if (eq == std::string::npos) continue;
    int id = std::atoi(fields[f].substr(0, eq).c_str());
    std::string value = fields[f].substr(eq + 1);
    cDialogItem* item = GetItem(static_cast<uint16_t>(id));
    if (!item) {
      WriteReport("  answer names no control %d", id);
      continue;
    }
    if (item->desc.kind == eItemKind::Edit) {
      item->text.clear();
      item->selStart = item->selEnd = 0;
      EditInsert(*item, plat::Utf8ToCp932(value));
    } else if (item->desc.kind == eItemKind::CheckBox) {
      item->check = value != "0" ? 1 : 0;
    } else if (item->desc.kind == eItemKind::Radio) {
      if (value != "0") PickRadio(static_cast<size_t>(item - m_Items.data()));
    }
  }
  uint16_t button = DefaultButtonId();
  std::string what = fields.empty() ? std::string() : fields[0];
  if (!what.empty()) {
    bool found = false;
    if (plat::AnswerMatches(what, "ok")) { button = IDOK; found = true; }
    else if (plat::AnswerMatches(what, "cancel")) { button = IDCANCEL; found = true; }
    std::string cp932 = plat::Utf8ToCp932(what);
    for (const cDialogItem& item : m_Items)
      if (!found && IsButtonKind(item.desc.kind) && plat::AnswerMatches(cp932, item.text.c_str())) {
        button = item.desc.id;
        found = true;
      }
    if (!found && what.find_first_not_of("0123456789") == std::string::npos) {
      button = static_cast<uint16_t>(std::atoi(what.c_str()));
      found = true;
    }
    if (!found) WriteReport("  answer \"%s\" names no button: the default one", what.c_str());
  }
  WriteReport("  answer : %u", static_cast<unsigned>(button));
  SendCommand(button, kBnClicked);
  // A dialog that stays open on that button would wait for ever.
  if (m_bOpen) Close(0);
}
