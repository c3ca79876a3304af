// Controls bound to a dialog's data: each knows its dialog and control id,
// copies its bound value into the control (DataToWindow) and back
// (WindowToData) and receives the dialog's notifications.
#pragma once
#include <cstdint>
#include <string>

#include "platform/messages.h"

class cDialog;
struct cDialogItem;

// Control type codes.
enum : int {
  kCtrlStatic = 0,
  kCtrlEdit = 3,
  kCtrlCheckBox = 5,
  kCtrlRadio = 6,
  kCtrlList = 8,
};

// Notification codes carried in the high word of a command.
enum : uint16_t {
  kBnClicked = 0,
  kEnKillFocus = 0x200,
  kEnUpdate = 0x400,
};

// The mouse buttons as a window sees them: held states and the edges of a
// press and a release. The press latches are shared by every window, so one
// press is reported once for the whole program.
class cMouse {
 public:
  int x = 0, y = 0;          // client coordinates below the tool-bar rows
  int screenX = 0, screenY = 0;
  int left = 0, right = 0;   // held
  int leftPressed = 0, rightPressed = 0;
  int leftReleased = 0, rightReleased = 0;

  // Flags: 1 read the held states, 2 the press edges, 4 the release edges.
  int Update(int flags);
  // As Update with the buttons given (the platform's state for Update).
  int UpdateFrom(int flags, bool leftDown, bool rightDown);
  // Forgets the shared latches (a new program run, or a test).
  static void ResetLatches();
};

class cControl {
 public:
  cControl() = default;
  virtual ~cControl() = default;

  virtual int Enable(bool enable);
  virtual void DataToWindow() {}
  virtual void WindowToData() {}
  virtual void OnChange() {}
  virtual int OnNotify(WPARAM, LPARAM) { return 0; }
  virtual int OnScroll(WPARAM, LPARAM) { return 0; }
  virtual void RefreshList() {}
  virtual void OnKillFocus() {}
  virtual void AfterCommand() {}
  virtual void OnKey(int /*key*/, LPARAM, bool /*ctrlHeld*/) {}

  // Binds to the dialog's control of that id (none: the control stays
  // without a window and its operations do nothing) and adds itself to
  // the dialog's control list.
  void Attach(cDialog* dialog, uint16_t id);
  void GetPos();
  int SetText(const std::string& textCp932);

  int Type() const { return m_nType; }
  uint16_t Id() const { return m_nId; }
  cDialogItem* Window() const { return m_pWindow; }
  int ClientX() const { return m_nClientX; }
  int ClientY() const { return m_nClientY; }

 protected:
  cDialogItem* m_pWindow = nullptr;
  cDialog* m_pDialog = nullptr;
  int m_nType = kCtrlStatic;
  uint16_t m_nId = 0;
  int m_nScreenX = 0, m_nScreenY = 0;
  int m_nClientX = 0, m_nClientY = 0;
  std::string m_sText;
};

class cStaticText : public cControl {
 public:
  cStaticText() { m_nType = kCtrlStatic; }
};

class cCheckBox : public cControl {
 public:
  cCheckBox() { m_nType = kCtrlCheckBox; }
  void Attach(cDialog* dialog, uint16_t id, int* value);
  void DataToWindow() override;
  void WindowToData() override;

 private:
  int* m_pValue = nullptr;
};

class cRadioButton : public cControl {
 public:
  cRadioButton() { m_nType = kCtrlRadio; }
  void Attach(cDialog* dialog, uint16_t id, int* value, int ownValue);
  void DataToWindow() override;
  void WindowToData() override;

 private:
  int* m_pValue = nullptr;
  int m_nOwnValue = 0;
};

// A text field with limits on its total length, its lines and the length
// of each line, in bytes or in characters (a double-byte character counts
// one, a line feed none). Text is CP932; lines end in "\r\n".
class cEdit : public cControl {
 public:
  cEdit() { m_nType = kCtrlEdit; }
  // 0 in a limit means its default (4096 total, 1024 a line, 32 lines).
  void Attach(cDialog* dialog, uint16_t id, std::string* value, int maxTotal, int maxLine,
              int maxLines, int countChars);
  void DataToWindow() override;
  void WindowToData() override;
  void OnChange() override;

  // The longest head of text within the total limit, never splitting a
  // double-byte character.
  std::string ReadLimited(const std::string& text) const;

 private:
  int Measure(const std::string& text) const;
  // Bytes of the longest head of text measuring at most limit.
  size_t FittingBytes(const std::string& text, int limit) const;

  std::string* m_pValue = nullptr;
  int m_nMaxTotal = 4096;
  int m_bCountChars = 0;
  int m_nMaxLine = 1024;
  int m_nMaxLines = 32;
  bool m_bAttaching = false;
  std::string m_sPrevText;
  int m_nSelStart = 0, m_nSelEnd = 0;
  bool m_bInChange = false;
};
