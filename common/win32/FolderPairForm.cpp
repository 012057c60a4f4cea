#include "common/win32/FolderPairForm.h"

#include <cstring>

#include "common/core/WindowFrontEnd.h"
#include "common/gui/resources/explora.xpm"
#include "common/win32/Win32UserInterface.h"
#include "common/win32/frmSelDir.h"

namespace common::win32 {

namespace {

enum ControlId {
  kRun = IDOK,
  kCancelar = IDCANCEL,
  kAcercaDe = 201,
  kExploraOrigen,
  kExploraDestino,
  kOther,
};

COLORREF XpmColour(const char* colourText) {
  // "#RRGGBB"; "None" is the button face behind the picture.
  if (std::strcmp(colourText, "None") == 0) return GetSysColor(COLOR_BTNFACE);
  unsigned value = 0;
  std::sscanf(colourText + 1, "%6x", &value);
  return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

}  // namespace

HBITMAP BrowsePicture() {
  int width = 0, height = 0, colours = 0, chars = 0;
  std::sscanf(explora_xpm[0], "%d %d %d %d", &width, &height, &colours, &chars);
  COLORREF palette[128] = {};
  for (int i = 1; i <= colours; ++i) {
    const char* line = explora_xpm[i];
    const char* colourText = std::strstr(line + 1, "c ");
    palette[static_cast<unsigned char>(line[0]) & 127] = colourText ? XpmColour(colourText + 2) : 0;
  }
  // Drawn for 96 dpi: enlarged pixel by pixel at more dots per inch.
  const int scaledWidth = MulDiv(width, SystemDpi(), 96);
  const int scaledHeight = MulDiv(height, SystemDpi(), 96);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = scaledWidth;
  info.bmiHeader.biHeight = -scaledHeight;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  auto* pixels = static_cast<DWORD*>(bits);
  for (int y = 0; y < scaledHeight; ++y) {
    const char* row = explora_xpm[1 + colours + y * height / scaledHeight];
    for (int x = 0; x < scaledWidth; ++x) {
      const COLORREF c = palette[static_cast<unsigned char>(row[x * width / scaledWidth]) & 127];
      pixels[y * scaledWidth + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
  }
  return bitmap;
}

FolderPairForm::FolderPairForm(const FolderPairLayout& layout, bool& mainFormLoaded,
                               AboutInfo about, Win32UserInterface& ui)
    : mainFormLoaded_(mainFormLoaded), ui_(ui), about_(std::move(about)), picture_(BrowsePicture()) {
  CreateForm(L"frmMain", layout.caption, layout.clientWidth, layout.clientHeight,
             WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW,
             nullptr);
  // Created in tab order; each label's access key reaches the box after it.
  AddControl(L"Label1", L"STATIC", L"Carpeta &origen", SS_LEFT, layout.label1, kOther);
  txtOrigen = AddControl(L"txtOrigen", L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL,
                         layout.txtOrigen, kOther, WS_EX_CLIENTEDGE);
  cmdExploraOrigen = AddControl(L"cmdExploraOrigen", L"BUTTON", L"", WS_TABSTOP | BS_BITMAP,
                                layout.cmdExploraOrigen, kExploraOrigen);
  AddControl(L"Label2", L"STATIC", L"Carpeta &destino", SS_LEFT, layout.label2, kOther);
  txtDestino = AddControl(L"txtDestino", L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL,
                          layout.txtDestino, kOther, WS_EX_CLIENTEDGE);
  cmdExploraDestino = AddControl(L"cmdExploraDestino", L"BUTTON", L"", WS_TABSTOP | BS_BITMAP,
                                 layout.cmdExploraDestino, kExploraDestino);
  for (HWND browse : {cmdExploraOrigen, cmdExploraDestino})
    SendMessageW(browse, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_));
  cmdAcercaDe = AddControl(L"cmdAcercaDe", L"BUTTON", L"Acerca de...", WS_TABSTOP,
                           layout.cmdAcercaDe, kAcercaDe);
  cmdCancelar = AddControl(L"cmdCancelar", L"BUTTON", L"&Cancelar", WS_TABSTOP,
                           layout.cmdCancelar, kCancelar);
  cmdRun = AddControl(layout.runName, L"BUTTON", layout.runCaption,
                      WS_TABSTOP | BS_DEFPUSHBUTTON, layout.runButton, kRun);
  mainFormLoaded_ = true;
}

FolderPairForm::~FolderPairForm() {
  mainFormLoaded_ = false;
  DestroyForm();  // before the picture its buttons show
  DeleteObject(picture_);
}

void FolderPairForm::Load() {
  // The browse buttons are square, as tall as the text boxes and flush with
  // the right margin (the top offset of Label1), 4 pixels from their box.
  RECT box, label, client;
  GetWindowRect(txtOrigen, &box);
  MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&box), 2);
  GetWindowRect(Control(L"Label1"), &label);
  MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&label), 2);
  GetClientRect(Hwnd(), &client);
  const int size = box.bottom - box.top;
  const int left = client.right - label.top - size;
  const int boxWidth = left - box.left - 4;
  for (auto [text, button] : {std::pair{txtOrigen, cmdExploraOrigen}, {txtDestino, cmdExploraDestino}}) {
    RECT r;
    GetWindowRect(text, &r);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&r), 2);
    MoveWindow(text, r.left, r.top, boxWidth, size, FALSE);
    GetWindowRect(button, &r);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&r), 2);
    MoveWindow(button, left, r.top, size, size, FALSE);
  }
  CentreOn(nullptr);
}

void FolderPairForm::Show(const std::string& origen) {
  SetWindowTextW(txtOrigen, Widen(origen).c_str());
  ShowWindow(Hwnd(), SW_SHOW);
  SetForegroundWindow(Hwnd());
  FocusOn(origen.empty() ? txtOrigen : txtDestino);
}

void FolderPairForm::cmdExploraOrigen_Click() {
  const std::wstring chosen = BrowseFolder(Hwnd(), L"Directorio origen", OrigenText());
  if (!chosen.empty()) SetWindowTextW(txtOrigen, chosen.c_str());
}

void FolderPairForm::cmdExploraDestino_Click() {
  const std::wstring chosen = BrowseFolder(Hwnd(), L"Directorio destino", DestinoText());
  if (!chosen.empty()) SetWindowTextW(txtDestino, chosen.c_str());
}

void FolderPairForm::RunGuarded(const std::function<void()>& run) {
  exitStatus_ = RunFromMainWindow(ui_, running_, run);
  if (exitStatus_ != 0) Unload();
}

bool FolderPairForm::PreviewKey(const MSG& msg) {
  const bool plain = GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0 &&
                     GetKeyState(VK_SHIFT) >= 0;
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_F1 && plain) {
    Click(cmdAcercaDe);
    return true;
  }
  return false;
}

void FolderPairForm::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case kRun:
      if (!running_) cmdRun_Click();
      break;
    case kCancelar:
      if (!running_) Unload();
      break;
    case kAcercaDe: {
      frmAbout about(about_, Hwnd());
      about.Show();
      break;
    }
    case kExploraOrigen:
      cmdExploraOrigen_Click();
      break;
    case kExploraDestino:
      cmdExploraDestino_Click();
      break;
    default:
      break;
  }
}

bool FolderPairForm::OnClose() {
  // While a run goes on this window is disabled, but the window system may
  // still deliver a close: the run finishes first.
  if (running_) return false;
  Unload();
  return true;
}

void FolderPairForm::Unload() {
  // Closing the main window ends the program.
  mainFormLoaded_ = false;
  ShowWindow(Hwnd(), SW_HIDE);
  PostQuitMessage(exitStatus_);
}

}  // namespace common::win32
