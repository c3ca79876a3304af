#include "app/boot_dialog.h"

#include "records/boot_data.h"
#include "app/project_paths.h"
#include "platform/msgbox.h"
#include "platform/video.h"
#include "services/log.h"

namespace {

constexpr int kBootDataPathEntry = 46;  // user_data\Boot.dat
// Where the pointer is put, from the dialog window's top-left: on Start, so
// a click starts the game at once.
constexpr int kPointerX = 181, kPointerY = 198;

sDialogResource MakeResource() {
  sDialogResource r{kBootDialogId, 222, 171, "", {}};
  // Start lies under the point (181, 198) of the dialog window, where the
  // start-up puts the pointer. The note has room for a second line should
  // its text not fit on one.
  r.items = {
      {eItemKind::Picture, kBootPictureId, 7, 7, 208, 70, "", false, &ProgramTitleBitmap()},
      {eItemKind::DefButton, kBootStartId, 113, 104, 50, 14, "ゲーム開始", false},
      {eItemKind::Button, kBootCancelId, 166, 104, 50, 14, "ゲーム中止", false},
      {eItemKind::Group, kBootModeGroupId, 7, 82, 100, 40, "描画モード", false},
      {eItemKind::Radio, kBootDirect3DId, 17, 94, 80, 10, "Direct3D", true},
      {eItemKind::Radio, kBootDirectDrawId, 17, 106, 80, 10, "DirectDraw", false},
      {eItemKind::Static, kBootNoteId, 7, 128, 208, 18,
       "詳細な設定は環境設定ファイル「System.ini」で行って下さい。", false},
      {eItemKind::CheckBox, kBootNoAskId, 7, 148, 208, 10, "次回からこのダイアログを表示しない", true},
  };
  return r;
}

}  // namespace

cBootDialog::cBootDialog(const std::string& titleCp932) : m_sTitle(titleCp932), m_Resource(MakeResource()) {
  m_Resource.title = m_sTitle.c_str();
  Init(&m_Resource, nullptr, &g_Boot);
}

void cBootDialog::OnInitDialog(WPARAM w, LPARAM l) {
  cDialog::OnInitDialog(w, l);
  // The dialog has its place now (centred on the game's picture).
  plat::MovePointer(PosX() + kPointerX, PosY() + kPointerY);
  m_Direct3D.Attach(this, kBootDirect3DId, &g_Boot.m_nDrawMode, 1);
  m_DirectDraw.Attach(this, kBootDirectDrawId, &g_Boot.m_nDrawMode, 0);
  m_NoAsk.Attach(this, kBootNoAskId, &g_Boot.m_bNoAsk);
  m_Note.Attach(this, kBootNoteId);
  DataToControls();
  if (g_StartOption.English == 1) {
    SetItemText(kBootModeGroupId, "Drawing mode");
    SetItemText(kBootStartId, "Start");
    SetItemText(kBootCancelId, "Cancel");
    if (!m_Note.SetText("Configure the detail settings at \"System.ini\".")) {
      // As a close of the dialog: it ends with 0.
      ErrorBoxf("コントロールID 【%u】 が見つかりません！", unsigned{kBootNoteId});
      Close(0);
    }
    SetItemText(kBootNoAskId, "Do not ask this dialog again");
  }
  SetFocusId(kBootStartId);
}

void cBootDialog::OnCommand(WPARAM w, LPARAM l) {
  const uint16_t id = static_cast<uint16_t>(w & 0xFFFF);
  // IDOK and IDCANCEL are what Enter without a default button, Esc and the
  // headless answers "ok" / "cancel" give.
  if (id == kBootStartId || id == IDOK) {
    ControlsToData();
    // A file that cannot be written only means being asked again next time.
    g_Boot.SaveToFile(g_szPathTable[kBootDataPathEntry]);
    Close(1);
  } else if (id == kBootCancelId || id == IDCANCEL) {
    Close(0);
  } else {
    cDialog::OnCommand(w, l);
  }
}

int ChooseDrawMode(STARTOPTION& option, const std::string& titleCp932) {
  if (option.Direct3D < 2) return 1;
  g_Boot.LoadFromFile(g_szPathTable[kBootDataPathEntry]);
  if (!g_Boot.m_bNoAsk) {
    // A stored mode that is neither choice would show no button checked and
    // be saved again unseen by Start: the dialog offers the default instead.
    if (g_Boot.m_nDrawMode != 0 && g_Boot.m_nDrawMode != 1) g_Boot.m_nDrawMode = 1;
    cBootDialog dlg(titleCp932);
    if (dlg.DoModal(0) == 0) return 0;
  }
  option.Direct3D = g_Boot.m_nDrawMode == 1 ? 1 : 0;
  return 1;
}
