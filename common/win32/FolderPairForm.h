#pragma once
// FolderPairForm: what the Win32 main windows of update and compare share.
// Two folder boxes with square browse buttons, "Acerca de...", "&Cancelar"
// and the button that starts a run, laid out from the twips of each window.
//
// The window is the program's main window, in the task bar: it sets
// MainFormLoaded while it is open, sees F1 before its controls do, refuses
// its close box while a run goes on, and ends the program with status 3
// when a failure stops a run under /debug.

#include <functional>
#include <string>

#include "common/win32/Win32Form.h"
#include "common/win32/frmAbout.h"

namespace common::win32 {

class Win32UserInterface;

struct FolderPairLayout {
  const wchar_t* caption;
  int clientWidth, clientHeight;
  TwipRect label1, txtOrigen, cmdExploraOrigen;
  TwipRect label2, txtDestino, cmdExploraDestino;
  TwipRect cmdAcercaDe, cmdCancelar, runButton;
  const wchar_t* runName;     // "cmdActualizar" or "cmdComparar"
  const wchar_t* runCaption;  // "&Actualizar" or "C&omparar"
};

// The 15 by 15 picture of the browse buttons, on the button face colour.
HBITMAP BrowsePicture();

class FolderPairForm : public Form {
 public:
  FolderPairForm(const FolderPairLayout& layout, bool& mainFormLoaded, AboutInfo about,
                 Win32UserInterface& ui);
  ~FolderPairForm() override;

  // Shows the window; with origen not empty, it goes into txtOrigen and the
  // focus into txtDestino.
  void Show(const std::string& origen);

  bool Running() const { return running_; }
  // 0, or the status the program ends with after a run stopped under /debug.
  int ExitStatus() const { return exitStatus_; }

  bool PreviewKey(const MSG& msg) override;

 protected:
  // Derived windows call it at the end of their constructor, once every
  // control exists: the load-time layout of the browse buttons.
  void Load();

  // The run button's work, once both boxes were checked by the derived window.
  virtual void cmdRun_Click() = 0;
  void OnCommand(int id, int code, HWND control) override;
  bool OnClose() override;

  // The browse buttons' work: the picker on the box's text, a non-empty
  // choice replacing it.
  void cmdExploraOrigen_Click();
  void cmdExploraDestino_Click();

  std::wstring OrigenText() const { return Text(L"txtOrigen"); }
  std::wstring DestinoText() const { return Text(L"txtDestino"); }
  std::string OrigenPath() const { return Narrow(OrigenText()); }
  std::string DestinoPath() const { return Narrow(DestinoText()); }

  // Runs one run: a DebugStop leaving it is shown and ends the program.
  void RunGuarded(const std::function<void()>& run);

  HWND txtOrigen;
  HWND cmdExploraOrigen;
  HWND txtDestino;
  HWND cmdExploraDestino;
  HWND cmdAcercaDe;
  HWND cmdCancelar;
  HWND cmdRun;

  bool& mainFormLoaded_;
  Win32UserInterface& ui_;

 private:
  void Unload();

  AboutInfo about_;
  HBITMAP picture_;
  bool running_ = false;
  int exitStatus_ = 0;
};

}  // namespace common::win32
