// The start-up dialog (resource 103): the player picks Direct3D or
// DirectDraw, and may ask not to be asked again. The choice is bound to
// g_Boot and kept in user_data\Boot.dat when the game is started.
#pragma once
#include <cstdint>
#include <string>

#include "records/start_option.h"
#include "services/gui_controls.h"
#include "services/gui_dialog.h"

enum : uint16_t {
  kBootDialogId = 103,
  kBootStartId = 1000,
  kBootCancelId = 1001,
  kBootDirect3DId = 1002,
  kBootDirectDrawId = 1003,
  kBootNoAskId = 1004,
  kBootNoteId = 1005,
  kBootModeGroupId = 1006,
  kBootPictureId = 1075,
};

class cBootDialog : public cDialog {
 public:
  // titleCp932: the game's title (System.dat), shown as the dialog's title.
  explicit cBootDialog(const std::string& titleCp932);

  void OnInitDialog(WPARAM w, LPARAM l) override;
  void OnCommand(WPARAM w, LPARAM l) override;

 private:
  std::string m_sTitle;
  sDialogResource m_Resource;
  cRadioButton m_Direct3D, m_DirectDraw;
  cCheckBox m_NoAsk;
  cStaticText m_Note;
};

// The drawing-mode choice of the start-up: when option.Direct3D is 2 or
// more, user_data\Boot.dat is read into g_Boot (a file that cannot be read
// leaves its defaults), the start-up dialog is shown unless Boot.dat says
// not to ask, and option.Direct3D becomes 1 for g_Boot's drawing mode 1,
// else 0. 0 when the player cancelled or closed the dialog (start-up ends
// without a message), else 1.
int ChooseDrawMode(STARTOPTION& option, const std::string& titleCp932);
