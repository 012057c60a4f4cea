#pragma once
// The ground the Win32 windows stand on: UTF-8/UTF-16 conversion, twips
// turned into pixels at the system's dots per inch, the form font, and Form,
// a top-level window holding plain controls that behaves like a dialog (Tab,
// access keys, Enter on the default button, Escape on Cancel) through the
// one message loop of the program.

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/win32/Win32Detail.h"  // Widen, Narrow: UTF-8 and UTF-16

namespace common::win32 {

// Twips become pixels at 1440 to the inch: 15 twips a pixel at 96 dpi.
int SystemDpi();
int Twips(int twips);

// Tahoma 8.25 pt at the system's dpi, for every control of every window.
HFONT FormFont();

// The program's icon, from the resources of the running program.
void SetProgramIcon(int resourceId);
HICON ProgramIcon(int pixels);
int ProgramIconId();

struct TwipRect {
  int left, top, width, height;
};

class Form {
 public:
  Form();
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  HWND Hwnd() const { return hwnd_; }
  // A control by its name (Label1, txtOrigen, cmdCancelar...), or nullptr.
  HWND Control(std::wstring_view name) const;
  // The controls' names in tab order (the order the dialog keys walk).
  std::vector<std::wstring> TabOrder() const;
  std::wstring Text(std::wstring_view control) const;
  std::wstring Caption() const;
  bool IsShown() const { return hwnd_ && IsWindowVisible(hwnd_); }

  // The Form behind a top-level window of this program, or nullptr.
  static Form* FromHwnd(HWND window);

  // A key pressed anywhere in the window, before the control with the focus
  // sees it. True when the window handled it.
  virtual bool PreviewKey(const MSG& msg);

 protected:
  // The window with the given client area (twips), hidden.
  void CreateForm(const wchar_t* name, const wchar_t* caption, int clientWidth, int clientHeight,
                  DWORD style, DWORD exStyle, HWND owner);
  // A child control at twips; created in tab order.
  HWND AddControl(const wchar_t* name, const wchar_t* windowClass, const wchar_t* text,
                  DWORD style, TwipRect where, int id, DWORD exStyle = 0);

  virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual void OnCommand(int id, int code, HWND control);
  // A close request from the window system (close box, Alt+F4, system
  // menu). False refuses it.
  virtual bool OnClose();

  // Shows the window modally over owner (disabled meanwhile) and returns
  // when EndModal is called.
  void RunModal(HWND owner);
  void EndModal();

  // Destroys the window now, before members it uses go (fonts, pictures).
  void DestroyForm();

  // Puts the focus on control now when the window is active, else as soon
  // as it becomes active.
  void FocusOn(HWND control);

  void CentreOn(HWND owner);  // the screen when owner is nullptr
  void Click(HWND button);     // as the user's click: nothing when disabled

  int defaultId_ = IDOK;  // what Enter presses

 private:
  static LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  HWND savedFocus_ = nullptr;
  std::vector<std::pair<std::wstring, HWND>> controls_;
  bool modal_ = false;
};

// A window shown modally over its owner (frmAbout, frmErrores, frmSelDir):
// a close request from the window system ends the modal loop.
class ModalForm : public Form {
 protected:
  explicit ModalForm(HWND owner) : owner_(owner) {}

  // Runs the window modally with the focus on control; returns when it closes.
  void ShowModal(HWND control) {
    FocusOn(control);
    RunModal(owner_);
  }
  bool OnClose() override {
    EndModal();
    return true;
  }

  HWND owner_;
};

// One message as the program's loops handle it: the window's key preview,
// then the dialog keys, then the control.
void DispatchOne(MSG& msg);

// Lets every pending message run and returns. False once WM_QUIT was seen
// (it is posted again for the outer loop).
bool ProcessPendingMessages();

// Runs task on this thread from the next message loop, whichever runs
// first (a modal window's, a message box's). Tests drive modal windows so.
void PostTask(std::function<void()> task);

// The enabled visible top-level window of this thread that is active, for
// tests: a message box or a modal window opened inside a loop.
HWND ActiveWindowOfThread();

}  // namespace common::win32
