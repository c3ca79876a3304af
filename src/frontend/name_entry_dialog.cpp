#include "frontend/name_entry_dialog.h"

#include "platform/msgbox.h"
#include "platform/video.h"
#include "records/option_data.h"
#include "records/start_option.h"
#include "stage/game_scene.h"
#include "stage/scene_manager.h"

cNameEntryDialog* g_pNameDialog = nullptr;

namespace {

constexpr int kTitleChoiceOptions = 5;
// The dialog's top-left in the game window.
constexpr int kDialogX = 240;
constexpr int kDialogY = 220;
// Where the pointer is put when the dialog opens, from its top-left: near
// the name field and OK.
constexpr int kPointerX = 80;
constexpr int kPointerY = 65;

sDialogResource MakeResource() {
  sDialogResource r{kNameDialogId, 110, 65, "", {}};
  r.items = {
      {eItemKind::Static, kNamePictureId, 7, 7, 20, 21, "", false},
      {eItemKind::Static, kNameLabelId, 15, 15, 56, 16, "登録名(3文字まで)", false},
      {eItemKind::Edit, kNameEditId, 75, 12, 24, 14, "", false},
      {eItemKind::DefButton, kNameOkId, 30, 35, 50, 18, "OK", false},
  };
  return r;
}

}  // namespace

cNameEntryDialog::cNameEntryDialog(std::string* target) : m_Resource(MakeResource()), m_pTarget(target) {
  Init(&m_Resource, nullptr, target);
  SetStoredPos(kDialogX, kDialogY);
  g_pNameDialog = this;
  plat::MovePointer(kDialogX + kPointerX, kDialogY + kPointerY);
}

cNameEntryDialog::~cNameEntryDialog() {
  if (g_pNameDialog == this) g_pNameDialog = nullptr;
}

void cNameEntryDialog::OnInitDialog(WPARAM w, LPARAM l) {
  cDialog::OnInitDialog(w, l);
  if (m_pTarget) m_Name.Attach(this, kNameEditId, m_pTarget, kNameMaxChars, kNameMaxChars, 1, 1);
  m_Label.Attach(this, kNameLabelId);
  DataToControls();
  // The stored name is selected, so typing replaces it.
  SetFocusId(kNameEditId);
  if (g_StartOption.English) SetItemText(kNameLabelId, "     Name");
}

void cNameEntryDialog::OnCommand(WPARAM w, LPARAM l) {
  cDialog::OnCommand(w, l);
  if (!IsOpen()) return;
  const uint16_t id = static_cast<uint16_t>(w & 0xFFFF);
  const uint16_t code = static_cast<uint16_t>((w >> 16) & 0xFFFF);
  if (code != kBnClicked) return;
  // Enter presses the default button (OK); the headless "ok" answer is IDOK.
  if (id == kNameOkId || id == IDOK) {
    ControlsToData();
    Close(1);
  } else if (id == kNameCancelId || id == IDCANCEL) {
    Close(0);
  }
}

std::string* NameEntryTarget() {
  if (g_SceneManager.m_nTitleChoice == kTitleChoiceOptions) return &g_OptionData.m_strPlayerName;
  if (g_pGameScene) return &g_pGameScene->m_strRankingName;
  return nullptr;
}

int RunNameEntryDialog() {
  cNameEntryDialog dialog(NameEntryTarget());
  return dialog.DoModal(0) == 1 ? 1 : 0;
}
