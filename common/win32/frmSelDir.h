#pragma once
// frmSelDir: the small modal folder picker. A drive list above a folder list
// (the open folder's ancestors, the folder, its subfolders; a double-click
// opens one), with OK and Cancel. SelDir returns the folder that is open in
// the list, not the one merely highlighted, or "" when the user cancelled.

#include <string>
#include <vector>

#include "common/win32/Win32Form.h"

namespace common::win32 {

class frmSelDir : public ModalForm {
 public:
  // drives: what the drive list offers ("C:"...); by default the machine's.
  explicit frmSelDir(HWND owner, std::vector<std::wstring> drives = LogicalDrives());
  ~frmSelDir() override;

  static std::vector<std::wstring> LogicalDrives();

  // Opens the picker in start (the program's own folder when start cannot
  // be opened) and waits until it closes. The caller sets the title first.
  std::wstring SelDir(const std::wstring& start);

  std::wstring DirPath() const { return dirPath_; }  // the folder open in the list
  std::wstring Drive() const;                        // the drive the list shows ("C:")
  // The folder list's entries, as they read.
  std::vector<std::wstring> FolderEntries() const;
  // Opens the entry at index, as a double-click does.
  void OpenEntry(int index);

 protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnCommand(int id, int code, HWND control) override;

 private:
  // Both as a choice of the user: SetDrive runs Drive1_Change.
  bool SetDrive(const std::wstring& drive);
  bool SetDirPath(const std::wstring& path);
  void FillFolderList();
  void Drive1_Change();
  void DrawEntry(const DRAWITEMSTRUCT& item);

  HWND Drive1;
  HWND Dir1;
  std::vector<std::wstring> drives_;
  struct Entry {
    std::wstring text;
    std::wstring path;
    int level;
    bool open;
  };
  std::vector<Entry> entries_;
  std::wstring dirPath_;
  std::wstring result_;
  std::wstring lastGoodDrive_;
  HICON openIcon_ = nullptr;
  HICON closedIcon_ = nullptr;
};

// The folder picker as the main windows' browse buttons use it: titled
// title, opened in start (the current folder when start is empty). Returns
// the accepted folder, or "" when the user cancelled.
std::wstring BrowseFolder(HWND owner, const std::wstring& title, const std::wstring& start);

}  // namespace common::win32
