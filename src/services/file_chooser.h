// The open-file and save-file dialogs: what they decide, apart from how they
// are drawn. A cFileChooser holds the folder being shown, the filters and the
// typed or picked name, and applies the rules of the two dialogs (must-exist,
// default extension, the overwrite question, folders and ".."). The drawn
// chooser (installed with SetFileChooserUi) and the headless one (answers
// script) both work through it, so every path they hand back has passed the
// same checks.
//
// Paths are CP932 in stored form: the folder is kept as the caller gave it
// ("data\stg4"), so a chosen file comes back as "data\stg4\town.stg4_002",
// relative to the current directory unless the folder was absolute.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messages.h"

// One entry of a dialog's filter list: the text shown ("StageFile ( *.stg4_*
// )") and the patterns it selects ("stg4_*;rpl4_*").
struct cFileFilter {
  std::string text;
  std::string pattern;
};

// The filter list in its packed form: text, NUL, pattern, NUL, ..., ended by
// an empty text. Reads at most `limit` bytes.
std::vector<cFileFilter> ParseFileFilter(const char* packed, size_t limit = 4096);

// True when the file name matches one of the ';'-separated patterns ('*' any
// run, '?' one character; a double-byte character is one character; ASCII
// letters match in either case). A pattern without a '.' also matches the
// name's extension, so "stg4_*" picks "town.stg4_002" as "*.stg4_*" does:
// the program's callers give their patterns both ways.
bool MatchFilePattern(std::string_view name, std::string_view patterns);

class cFileChooser {
 public:
  enum eKind { kOpen, kSave };

  struct Entry {
    std::string name;  // CP932; ".." for the parent folder
    bool folder = false;
  };

  enum eResult {
    kAccepted,       // Path() is the chosen file
    kFolderEntered,  // the name was a folder (or ".."): the listing changed
    kRefused,        // nothing chosen; Message() says why (may be empty)
    kAskOverwrite,   // save: the file exists; Message() is the question
  };

  // initialDir: stored form, relative or absolute; a folder that does not
  // exist is replaced by the current directory, as the dialogs do.
  // initialName: the name the dialog starts with (save dialogs).
  // maxPath: the caller's buffer size; a path must fit with its NUL.
  cFileChooser(eKind kind, std::string_view initialDir, std::vector<cFileFilter> filters, std::string_view defExt,
               std::string_view initialName, size_t maxPath = 260);

  eKind Kind() const { return m_kind; }
  // The folder shown, stored form without a trailing separator; "" is the
  // current directory.
  const std::string& Folder() const { return m_folder; }
  const std::vector<cFileFilter>& Filters() const { return m_filters; }
  int FilterIndex() const { return m_filterIndex; }
  void SetFilterIndex(int index);
  const std::string& DefaultExtension() const { return m_defExt; }
  const std::string& InitialName() const { return m_initialName; }

  // The folder's entries: ".." first (unless the folder is a root), then
  // subfolders, then the files the current filter selects; each group sorted
  // by name without regard to ASCII case.
  const std::vector<Entry>& Entries() const { return m_entries; }
  void Refresh();
  // Moves into a subfolder of the shown folder, or up for "..".
  bool EnterFolder(std::string_view name);

  // Applies the dialog's rules to a typed or picked name (a bare name, a path
  // relative to the shown folder, or an absolute path). Shows nothing.
  eResult Submit(std::string_view typed);
  // The chosen path after kAccepted, and the candidate after kAskOverwrite.
  const std::string& Path() const { return m_path; }
  const std::string& Message() const { return m_message; }
  // Submit, then what the dialog itself does with the outcome: a refusal
  // with a message is shown with MesBox, the overwrite question is asked with
  // MesBox (Yes accepts; No, the default, keeps the dialog open). Returns
  // kAccepted, kFolderEntered or kRefused.
  eResult Choose(std::string_view typed, const char* caption);

  // Multi-selection (open dialogs): several names picked in the shown
  // folder, every one of which must exist. One name is Submit. After
  // kAccepted, Paths() holds "folder\name" for each, in the order given.
  void SetMultiSelect(bool on) { m_bMulti = on; }
  bool MultiSelect() const { return m_bMulti; }
  eResult SubmitMany(const std::vector<std::string>& names);
  eResult ChooseMany(const std::vector<std::string>& names, const char* caption);
  const std::vector<std::string>& Paths() const { return m_paths; }

  // Text of the boxes (CP932): "%s" is the file name.
  static const char* const kNotFoundText;
  static const char* const kNoFolderText;
  static const char* const kBadNameText;
  static const char* const kTooLongText;
  static const char* const kOverwriteText;

 private:
  std::string Join(std::string_view name) const;
  void SetFolder(std::string_view folder);
  eResult Refuse(const char* text, std::string_view name);

  eKind m_kind;
  std::string m_folder;
  std::vector<cFileFilter> m_filters;
  int m_filterIndex = 0;
  std::string m_defExt;
  std::string m_initialName;
  size_t m_maxPath;
  bool m_bMulti = false;
  std::vector<Entry> m_entries;
  std::vector<std::string> m_paths;
  std::string m_path;
  std::string m_message;
};

// The drawn chooser: runs the dialog over the chooser until the player
// accepts (1, the path in chooser.Path()) or cancels (0).
using FileChooserUi = int (*)(cFileChooser& chooser, const char* title);
void SetFileChooserUi(FileChooserUi ui);

// The headless chooser, answered from the --answers script one line per try:
//   cancel          cancels the dialog;
//   (empty line)    OK on the starting name (save dialogs);
//   anything else   a name or path (UTF-8), relative to the folder shown,
//                   typed and confirmed with OK. A folder or ".." is entered
//                   and the next line is the next try. With multi-selection
//                   several names of the shown folder are separated by '|'.
// A box the try raises takes the following line as its own answer, as every
// box does: "ok" after a refused name, "yes" or "no" to the overwrite
// question (no answer: No). When the script runs out the dialog presses its
// default button once (OK on the starting name) and otherwise cancels. The
// outcome goes to the report log as "[title] path" or "[title] cancel".
// 1 with chooser.Path() chosen, 0 when cancelled.
int RunHeadlessFileChooser(cFileChooser& chooser, const char* title);

// While a file dialog is open on an 8-bit DirectDraw display, palette colour
// 0 is black; afterwards it is the program's colour 0 again (ended by OK or by
// cancel). The drawn chooser need not call these: the Show functions do.
void BeginFileDialogPalette();
void EndFileDialogPalette();

// The open-file dialog. `file` receives the chosen path (cleared first;
// at most bufferSize - 1 bytes). filter: packed form (see ParseFileFilter).
// With `names`, every chosen path is also appended to it (with
// multiSelect several, each "folder\name"; `file` then holds the first).
// 1 chosen, 0 cancelled. Runs on the window thread.
int ShowOpenFileDialog(HWND owner, std::string* file, size_t bufferSize, const char* initialDir, const char* title,
                       const char* filter, const char* defExt, int multiSelect, std::vector<std::string>* names);
// The save-file dialog: `file` holds the starting name (may be empty) and
// receives the chosen path; paths fit 260 bytes. Asks before overwriting.
int ShowSaveFileDialog(HWND owner, std::string* file, const char* initialDir, const char* title, const char* filter,
                       const char* defExt);
