#pragma once
// ProgressWindow: what both Win32 progress windows share. Two labels, the
// bar and Cancelar as Win32 controls; the pace of messages and what the
// labels hold are PacedProgressView's.

#include <functional>
#include <string>

#include "common/core/PacedProgressView.h"
#include "common/win32/Win32Form.h"

namespace common::win32 {

struct ProgressLayout {
  const wchar_t* name;     // frmUpdate or frmCompare
  const wchar_t* caption;  // "Actualizando..." or "Comparando..."
  int clientWidth, clientHeight;
  TwipRect picture;  // Picture1; imgAni sits inside it
  TwipRect file;     // lblFile
  TwipRect path;     // lblPath
  TwipRect bar;      // pbBarra
  TwipRect cancel;   // cmdCancelar
};

class ProgressWindow : public Form, public PacedProgressView {
 public:
  // mainFormLoaded: the program's flag; while it is set, the main window
  // (SetMainWindow) is disabled for the whole run and owns this one.
  ProgressWindow(const ProgressLayout& layout, const bool& mainFormLoaded);
  ~ProgressWindow() override;

  void SetMainWindow(HWND window) { mainWindow_ = window; }

  void Open(std::function<void()> onCancel) override;
  void Close() override;

 protected:
  void OnCommand(int id, int code, HWND control) override;
  // The close box is refused while the run goes on and was not cancelled.
  bool OnClose() override;

 private:
  void ShowFile(const std::string& text) override;
  void ShowPath(const std::string& text) override;
  void ShowBar(int steps) override;
  void SetCancelButton(CancelButton state) override;
  void RunPendingEvents() override { ProcessPendingMessages(); }
  void EnableMainWindow();

  HWND lblFile;
  HWND lblPath;
  HWND pbBarra;
  HWND cmdCancelar;
  HICON picture_ = nullptr;

  const bool& mainFormLoaded_;
  HWND mainWindow_ = nullptr;
};

}  // namespace common::win32
