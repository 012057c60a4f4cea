#pragma once
// ProgressWindow: what both Win32 progress windows share. Two labels, the
// bar and Cancelar, driven by an engine through the ProgressView interface.
//
// The engine calls ProcessEvents once or more per file; pending messages run
// only every few hundredths of a second, so that a run over many unchanged
// files is not slowed by repainting, while a click on Cancelar is still
// handled at the next batch. They always run when the window opens, when a
// copy starts and where the engine asks for it (ProcessEventsNow).

#include <chrono>
#include <functional>
#include <string>

#include "common/core/ProgressView.h"
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

class ProgressWindow : public Form, public ProgressView {
 public:
  // mainFormLoaded: the program's flag; while it is set, the main window
  // (SetMainWindow) is disabled for the whole run and owns this one.
  ProgressWindow(const ProgressLayout& layout, const bool& mainFormLoaded);
  ~ProgressWindow() override;

  void SetMainWindow(HWND window) { mainWindow_ = window; }

  bool Running() const { return running_; }
  bool Cancelled() const { return cancelled_; }

  void Open(std::function<void()> onCancel) override;
  void Close() override;
  void SetFileLabel(std::string_view text) override;
  void SetPathLabel(std::string_view text) override;
  void SetBar(float percent) override;
  float Bar() const override { return bar_; }
  void DisableCancel() override;
  void ProcessEvents() override;
  void ProcessEventsNow() override;

 protected:
  void OnCommand(int id, int code, HWND control) override;
  // The close box is refused while the run goes on and was not cancelled.
  bool OnClose() override;

 private:
  void cmdCancelar_Click();
  void Flush();
  void EnableMainWindow();

  HWND lblFile;
  HWND lblPath;
  HWND pbBarra;
  HWND cmdCancelar;
  HICON picture_ = nullptr;

  const bool& mainFormLoaded_;
  HWND mainWindow_ = nullptr;
  std::function<void()> onCancel_;
  bool running_ = false;
  bool cancelled_ = false;

  std::string file_;
  std::string path_;
  float bar_ = 0;
  bool dirty_ = false;
  bool processNow_ = false;
  std::chrono::steady_clock::time_point lastEvents_;
};

}  // namespace common::win32
