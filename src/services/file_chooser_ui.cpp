#include "services/file_chooser_ui.h"

#include <vector>

#include "platform/msgbox.h"

namespace {

constexpr int kRowHeight = 10;
constexpr int kListTop = 16;

sDialogResource MakeResource() {
  sDialogResource r{0, 240, 170, "", {}};
  r.items.push_back({eItemKind::Static, kFileChooserFolderId, 7, 4, 226, 10, "", false});
  // The edit is the first focus stop: typing goes to the name.
  r.items.push_back({eItemKind::Static, kFileChooserNameId + 1, 7, 128, 46, 10, "ファイル名:", false});
  r.items.push_back({eItemKind::Edit, kFileChooserNameId, 55, 126, 178, 12, "", false});
  r.items.push_back({eItemKind::Button, kFileChooserFilterId, 7, 146, 120, 14, "", false});
  r.items.push_back({eItemKind::DefButton, IDOK, 133, 146, 48, 14, "OK", false});
  r.items.push_back({eItemKind::Button, IDCANCEL, 185, 146, 48, 14, "キャンセル", false});
  for (int i = 0; i < kFileChooserRows; ++i)
    r.items.push_back({eItemKind::Static, static_cast<uint16_t>(kFileChooserRowId + i), 7,
                       kListTop + i * kRowHeight, 226, kRowHeight, "", false});
  return r;
}

}  // namespace

cFileChooserDialog::cFileChooserDialog(cFileChooser& chooser, const char* title)
    : m_Chooser(chooser), m_sTitle(title ? title : ""), m_Resource(MakeResource()) {
  m_Resource.title = m_sTitle.c_str();
  Init(&m_Resource, nullptr, &chooser);
}

void cFileChooserDialog::OnInitDialog(WPARAM w, LPARAM l) {
  cDialog::OnInitDialog(w, l);
  m_List.Attach(this, kFileChooserRowId, kFileChooserRows);
  m_bListPicked = false;
  ShowFolder();
  SetName(m_Chooser.InitialName());
  ShowFilter();
  SetFocusId(kFileChooserNameId);
}

void cFileChooserDialog::OnCommand(WPARAM w, LPARAM l) {
  const uint16_t id = static_cast<uint16_t>(w & 0xFFFF);
  const uint16_t code = static_cast<uint16_t>((w >> 16) & 0xFFFF);
  if (id == IDCANCEL) {
    Close(0);
  } else if (id == IDOK) {
    Confirm();
  } else if (id == kFileChooserFilterId && code == kBnClicked) {
    const int n = static_cast<int>(m_Chooser.Filters().size());
    if (n > 1) {
      m_Chooser.SetFilterIndex((m_Chooser.FilterIndex() + 1) % n);
      ShowFilter();
      ShowFolder();
    }
  } else if (id == kFileChooserRowId && code == 1) {
    const int sel = m_List.Selection();
    const auto& entries = m_Chooser.Entries();
    if (sel >= 0 && sel < static_cast<int>(entries.size())) {
      m_bListPicked = true;
      // A folder is not a name to save under: the typed name stays.
      if (!entries[sel].folder) SetName(entries[sel].name);
    }
  } else {
    if (id == kFileChooserNameId && code == kEnUpdate) m_bListPicked = false;
    cDialog::OnCommand(w, l);
  }
}

void cFileChooserDialog::Confirm() {
  const int sel = m_List.Selection();
  const auto& entries = m_Chooser.Entries();
  if (m_bListPicked && sel >= 0 && sel < static_cast<int>(entries.size()) && entries[sel].folder) {
    const std::string name = entries[sel].name;
    if (m_Chooser.EnterFolder(name)) {
      m_bListPicked = false;
      ShowFolder();
    }
    return;
  }
  switch (m_Chooser.Choose(GetItemText(kFileChooserNameId), m_sTitle.c_str())) {
    case cFileChooser::kAccepted: Close(1); break;
    case cFileChooser::kFolderEntered:
      m_bListPicked = false;
      ShowFolder();
      SetName(m_Chooser.Kind() == cFileChooser::kSave ? m_Chooser.InitialName() : std::string());
      break;
    default: break;  // stays open on the same name
  }
}

void cFileChooserDialog::ShowFolder() {
  const std::string& f = m_Chooser.Folder();
  SetItemText(kFileChooserFolderId, f.empty() ? std::string(".") : f);
  std::vector<std::string> rows;
  for (const cFileChooser::Entry& e : m_Chooser.Entries()) rows.push_back(e.folder ? "[" + e.name + "]" : e.name);
  m_List.SetItems(std::move(rows));
}

void cFileChooserDialog::ShowFilter() {
  const auto& filters = m_Chooser.Filters();
  const int i = m_Chooser.FilterIndex();
  SetItemText(kFileChooserFilterId, i >= 0 && i < static_cast<int>(filters.size()) ? filters[i].text : std::string());
  if (cDialogItem* item = GetItem(kFileChooserFilterId)) item->enabled = filters.size() > 1;
}

void cFileChooserDialog::SetName(const std::string& nameCp932) {
  if (cDialogItem* item = GetItem(kFileChooserNameId)) {
    item->text = nameCp932;
    // Selected whole, so that typing replaces it.
    item->selStart = 0;
    item->selEnd = static_cast<int>(nameCp932.size());
  }
}

int RunDrawnFileChooser(cFileChooser& chooser, const char* title) {
  cFileChooserDialog dlg(chooser, title);
  return dlg.DoModal(0) == 1 ? 1 : 0;
}

void InstallDrawnFileChooser() { SetFileChooserUi(&RunDrawnFileChooser); }
