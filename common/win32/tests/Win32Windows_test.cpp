// The Win32 windows of both programs, driven as a user would: texts, tab
// order, the load-time layout, which window opens on which click or key,
// the progress window's Cancelar and close box, the picker and the About
// box's registry look-up. Runs under Wine on a virtual display.
//
// A modal window runs its own message loop; what the user does in it is
// posted beforehand (PostTask) and runs from that loop.

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/core/RunStatus.h"
#include "common/win32/ProgramLayout.h"
#include "common/win32/Win32FrontEnd.h"
#include "common/win32/frmAbout.h"
#include "common/win32/frmErrores.h"
#include "common/win32/frmSelDir.h"
#include "common/win32/resources/ResourceIds.h"
#include "compare/gui/CompareLook.h"
#include "compare/win32/frmMain.h"
#include "update/gui/UpdateLook.h"
#include "update/win32/frmMain.h"

namespace {

using namespace common::win32;
namespace fs = std::filesystem;

class Win32Environment : public ::testing::Environment {
 public:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
  }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new Win32Environment);

std::wstring WindowText(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

// The visible top-level window of this thread with that caption, the one
// in front when several share it (a message box over its main window).
HWND FindShown(const std::wstring& caption) {
  struct Search {
    const std::wstring& caption;
    HWND found;
  } search{caption, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        if (IsWindowVisible(window) && WindowText(window) == s->caption) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void ClickButton(HWND button) {
  ASSERT_TRUE(button);
  if (!IsWindowEnabled(button)) return;
  SendMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

void PressKey(HWND control, WPARAM key) {
  MSG msg{control, WM_KEYDOWN, key, 1, GetTickCount(), {}};
  DispatchOne(msg);
}

// What a message box showed, and the button it was closed with.
struct BoxSeen {
  bool shown = false;
  std::wstring text;
  int defaultButton = 0;
  std::wstring yesCaption;
};

// Posts the answer to the next message box titled title.
void AnswerBox(const std::wstring& title, int button, BoxSeen& seen) {
  PostTask([title, button, &seen] {
    HWND box = FindShown(title);
    if (!box || !GetDlgItem(box, 0xFFFF)) return;
    seen.shown = true;
    seen.text = WindowText(GetDlgItem(box, 0xFFFF));
    for (int id : {IDOK, IDYES, IDNO}) {
      HWND b = GetDlgItem(box, id);
      if (b && (GetWindowLongW(b, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) seen.defaultButton = id;
    }
    seen.yesCaption = WindowText(GetDlgItem(box, IDYES));
    SendMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
  });
}

// Posts, for the next picker titled title, what the user does in it.
void InPicker(const std::wstring& title, std::function<void(frmSelDir&)> act) {
  PostTask([title, act] {
    auto* picker = dynamic_cast<frmSelDir*>(Form::FromHwnd(FindShown(title)));
    ASSERT_TRUE(picker) << "no se abri\u00f3 el selector";
    act(*picker);
  });
}

void Accept(frmSelDir& picker) { ClickButton(picker.Control(L"cmdAceptar")); }
void Cancel(frmSelDir& picker) { ClickButton(picker.Control(L"cmdCancelar")); }

// True when the program was told to end (and takes that message back).
bool QuitPosted() {
  MSG msg;
  return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

RECT ControlRect(const Form& form, const wchar_t* name) {
  RECT r;
  GetWindowRect(form.Control(name), &r);
  MapWindowPoints(nullptr, form.Hwnd(), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

struct Folder {
  Folder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path = fs::path(temp) / (L"win32windows-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(++count));
    fs::create_directories(path / L"a");
    fs::create_directories(path / L"b");
  }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  std::wstring Text() const { return path.wstring(); }
  fs::path path;
  static inline int count = 0;
};

// The programs' windows on a front end, with runs recorded instead of made.
struct UpdateWindows {
  bool mainFormLoaded = false;
  std::vector<std::pair<std::string, std::string>> runs;
  std::function<void()> duringRun;
  Win32FrontEnd windows{
      update::kUpdateLook, IDI_UPDATE, mainFormLoaded, [this](Win32UserInterface& ui) {
        return std::make_unique<update::win32::frmMain>(
            mainFormLoaded, ui, [this](const std::string& origen, const std::string& destino) {
              runs.emplace_back(origen, destino);
              if (duringRun) duringRun();
            });
      }};
};

struct CompareWindows {
  explicit CompareWindows(bool quick = false) : quick(quick) {}
  bool quick;
  bool mainFormLoaded = false;
  std::vector<std::string> existing;
  std::vector<bool> runsQuick;
  Win32FrontEnd windows{
      compare::kCompareLook, IDI_COMPARE, mainFormLoaded, [this](Win32UserInterface& ui) {
        compare::win32::frmMain::Actions actions;
        actions.run = [this](const std::string&, const std::string&, bool q) {
          runsQuick.push_back(q);
        };
        actions.dirExists = [this](const std::string& path) { return std::ranges::count(existing, path) > 0; };
        return std::make_unique<compare::win32::frmMain>(mainFormLoaded, ui, quick,
                                                         std::move(actions));
      }};
};

// --- Texts, tab order and layout ------------------------------------------

struct ExpectedWindow {
  const char* what;
  std::function<std::unique_ptr<Form>()> make;
  std::wstring caption;
  std::vector<std::wstring> tabOrder;
  std::vector<std::pair<std::wstring, std::wstring>> texts;
};

bool g_loaded = false;

std::unique_ptr<ProgressWindow> MakeProgress(const common::ProgramLook& look) {
  return std::make_unique<ProgressWindow>(ProgramLayout(look).progress, g_loaded);
}

TEST(Win32Windows, TextsAndTabOrderOfEveryWindow) {
  SetProgramIcon(IDI_UPDATE);
  std::unique_ptr<ProgressWindow> progress = MakeProgress(update::kUpdateLook);
  Win32UserInterface uiOwner(L"Update", *progress);
  Win32UserInterface* ui = &uiOwner;
  const std::vector<ExpectedWindow> windows = {
      {"frmMain de update",
       [&] {
         return std::make_unique<update::win32::frmMain>(
             g_loaded, *ui, [](const std::string&, const std::string&) {});
       },
       L"Update",
       {L"Label1", L"txtOrigen", L"cmdExploraOrigen", L"Label2", L"txtDestino",
        L"cmdExploraDestino", L"cmdAcercaDe", L"cmdCancelar", L"cmdActualizar"},
       {{L"Label1", L"Carpeta &origen"},
        {L"Label2", L"Carpeta &destino"},
        {L"cmdAcercaDe", L"Acerca de..."},
        {L"cmdCancelar", L"&Cancelar"},
        {L"cmdActualizar", L"&Actualizar"},
        {L"txtOrigen", L""}}},
      {"frmMain de compare",
       [&] {
         return std::make_unique<compare::win32::frmMain>(g_loaded, *ui, false,
                                                          compare::win32::frmMain::Actions{});
       },
       L"Compare",
       {L"Label1", L"txtOrigen", L"cmdExploraOrigen", L"Label2", L"txtDestino",
        L"cmdExploraDestino", L"cmdAcercaDe", L"cmdCancelar", L"cmdComparar", L"chkQuick"},
       {{L"cmdComparar", L"C&omparar"}, {L"chkQuick", L"Comparaci\u00f3n &r\u00e1pida"}}},
      {"frmSelDir", [] { return std::make_unique<frmSelDir>(nullptr); }, L"Form1",
       {L"Drive1", L"Label1", L"Dir1", L"cmdAceptar", L"cmdCancelar"},
       {{L"Label1", L"Seleccione una carpeta."},
        {L"cmdAceptar", L"&Aceptar"},
        {L"cmdCancelar", L"&Cancelar"}}},
      {"frmAbout de update",
       [] { return std::make_unique<frmAbout>(update::win32::AboutUpdate(), nullptr); },
       L"Acerca de Update",
       {L"cmdOK", L"picIcon", L"cmdSysInfo", L"lblDescription", L"lblDisclaimer", L"lblTitle",
        L"lblVersion"},
       {{L"cmdOK", L"Aceptar"},
        {L"cmdSysInfo", L"&Info. del sistema..."},
        {L"lblTitle", L"Update"},
        {L"lblVersion", L"Versi\u00f3n 1.1.17"},
        {L"lblDescription", update::win32::AboutUpdate().description}}},
      {"frmAbout de compare",
       [] { return std::make_unique<frmAbout>(compare::win32::AboutCompare(), nullptr); },
       L"Acerca de Compare", {}, {{L"lblVersion", L"Versi\u00f3n 1.1.2"}}},
      {"frmUpdate", [] { return MakeProgress(update::kUpdateLook); },
       L"Actualizando...",
       {L"Picture1", L"imgAni", L"lblFile", L"lblPath", L"pbBarra", L"cmdCancelar"},
       {{L"cmdCancelar", L"Cancelar"}}},
      {"frmCompare", [] { return MakeProgress(compare::kCompareLook); },
       L"Comparando...", {}, {{L"cmdCancelar", L"Cancelar"}}},
      {"frmErrores", [] { return std::make_unique<frmErrores>(std::vector<std::string>{}); },
       L"Errores", {L"Text1"}, {{L"Text1", L""}}},
  };
  for (const ExpectedWindow& expected : windows) {
    SCOPED_TRACE(expected.what);
    std::unique_ptr<Form> form = expected.make();
    EXPECT_EQ(form->Caption(), expected.caption);
    if (!expected.tabOrder.empty()) {
      EXPECT_EQ(form->TabOrder(), expected.tabOrder);
    }
    for (const auto& [control, text] : expected.texts) EXPECT_EQ(form->Text(control), text) << control.c_str();
  }
  // The disclaimer carries the legal notice in place of its "$".
  frmAbout about(update::win32::AboutUpdate(), nullptr);
  EXPECT_EQ(about.Text(L"lblDisclaimer").rfind(update::win32::AboutUpdate().legalNotice + L". ", 0), 0u);
}

TEST(Win32Windows, BrowseButtonsAreSquareAndFlushWithTheMargin) {
  CompareWindows c;
  FolderPairForm& main = c.windows.ShowMainWindow("");
  RECT client;
  GetClientRect(main.Hwnd(), &client);
  const int margin = ControlRect(main, L"Label1").top;
  for (auto [box, button] : {std::pair{L"txtOrigen", L"cmdExploraOrigen"},
                             std::pair{L"txtDestino", L"cmdExploraDestino"}}) {
    const RECT b = ControlRect(main, box);
    const RECT e = ControlRect(main, button);
    EXPECT_EQ(e.bottom - e.top, b.bottom - b.top) << button;
    EXPECT_EQ(e.right - e.left, e.bottom - e.top) << button;
    EXPECT_EQ(e.top, b.top) << button;
    EXPECT_EQ(e.right, client.right - margin) << button;
    EXPECT_EQ(e.left - b.right, 4) << box;
  }
}

// --- Main windows -----------------------------------------------------------

TEST(Win32Windows, RunButtonAsksForEachEmptyFolderAndStopsWhenThePickerIsCancelled) {
  Folder folder;
  SetCurrentDirectoryW(folder.Text().c_str());
  UpdateWindows u;
  FolderPairForm& main = u.windows.ShowMainWindow("");
  // Both empty: the source picker; cancelled, the copy's picker never opens.
  std::vector<std::wstring> pickers;
  InPicker(L"Directorio origen", [&](frmSelDir& picker) {
    pickers.push_back(picker.Caption());
    Cancel(picker);
  });
  ClickButton(main.Control(L"cmdActualizar"));
  EXPECT_EQ(pickers, std::vector<std::wstring>{L"Directorio origen"});
  EXPECT_EQ(main.Text(L"txtOrigen"), L"");
  EXPECT_TRUE(u.runs.empty());

  // Source filled (blanks count as text), copy empty: only the copy's
  // picker, in the current folder; accepted, the run starts at once.
  SetWindowTextW(main.Control(L"txtOrigen"), L" ");
  InPicker(L"Directorio destino", [&](frmSelDir& picker) {
    pickers.push_back(picker.DirPath());
    Accept(picker);
  });
  ClickButton(main.Control(L"cmdActualizar"));
  ASSERT_EQ(pickers.size(), 2u);
  EXPECT_EQ(pickers[1], folder.Text());
  ASSERT_EQ(u.runs.size(), 1u);
  EXPECT_EQ(u.runs[0].first, " ");
  EXPECT_EQ(u.runs[0].second, Narrow(folder.Text()));

  // A cancelled browse leaves the box as it was.
  InPicker(L"Directorio destino", Cancel);
  ClickButton(main.Control(L"cmdExploraDestino"));
  EXPECT_EQ(main.Text(L"txtDestino"), folder.Text());
  EXPECT_FALSE(QuitPosted());
}

TEST(Win32Windows, CompareChecksBothFoldersBeforeItRuns) {
  for (bool quick : {false, true}) {
    CompareWindows c(quick);
    FolderPairForm& main = c.windows.ShowMainWindow("C:\\no existe");
    EXPECT_EQ(SendMessageW(main.Control(L"chkQuick"), BM_GETCHECK, 0, 0) == BST_CHECKED, quick);
    EXPECT_EQ(GetFocus(), main.Control(L"txtDestino"));

    BoxSeen seen;
    AnswerBox(L"Compare", IDOK, seen);
    ClickButton(main.Control(L"cmdComparar"));
    EXPECT_EQ(seen.text, L"El directorio de origen seleccionado no existe.");
    EXPECT_EQ(GetFocus(), main.Control(L"txtOrigen"));

    c.existing = {"C:\\no existe"};
    SetWindowTextW(main.Control(L"txtDestino"), L"C:\\tampoco");
    seen = {};
    AnswerBox(L"Compare", IDOK, seen);
    ClickButton(main.Control(L"cmdComparar"));
    EXPECT_EQ(seen.text, L"El directorio de destino seleccionado no existe.");
    EXPECT_EQ(GetFocus(), main.Control(L"txtDestino"));
    EXPECT_TRUE(c.runsQuick.empty());

    c.existing.push_back("C:\\tampoco");
    ClickButton(main.Control(L"cmdComparar"));
    EXPECT_EQ(c.runsQuick, std::vector<bool>{quick});
  }
}

TEST(Win32Windows, KeysOfTheMainWindows) {
  // F1 opens the About box whichever control has the focus.
  UpdateWindows u;
  FolderPairForm& main = u.windows.ShowMainWindow("");
  std::wstring about;
  PostTask([&] {
    HWND window = FindShown(L"Acerca de Update");
    about = WindowText(window);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);  // Escape
  });
  PressKey(main.Control(L"txtDestino"), VK_F1);
  EXPECT_EQ(about, L"Acerca de Update");
  EXPECT_TRUE(u.mainFormLoaded);

  // Enter in a text box presses the run button: with the boxes empty, the picker.
  std::wstring picker;
  InPicker(L"Directorio origen", [&](frmSelDir& p) {
    picker = p.Caption();
    Cancel(p);
  });
  PressKey(main.Control(L"txtDestino"), VK_RETURN);
  EXPECT_EQ(picker, L"Directorio origen");

  // Escape presses Cancelar, which unloads the window and ends the program.
  PressKey(main.Control(L"txtOrigen"), VK_ESCAPE);
  EXPECT_FALSE(u.mainFormLoaded);
  EXPECT_TRUE(QuitPosted());

  // Ctrl+W does the same in compare; W alone is typed.
  CompareWindows c;
  FolderPairForm& cmain = c.windows.ShowMainWindow("");
  PressKey(cmain.Control(L"txtOrigen"), 'W');
  EXPECT_TRUE(c.mainFormLoaded);
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  PressKey(cmain.Control(L"txtOrigen"), 'W');
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  EXPECT_FALSE(c.mainFormLoaded);
  EXPECT_TRUE(QuitPosted());
}

// --- Progress window --------------------------------------------------------

TEST(Win32Windows, ProgressWindowCancelAndCloseBoxDuringARun) {
  UpdateWindows u;
  FolderPairForm& main = u.windows.ShowMainWindow("");
  ProgressWindow& progress = u.windows.Progress();
  HWND cancel = progress.Control(L"cmdCancelar");
  int cancels = 0;

  progress.Open([&] { ++cancels; });
  EXPECT_FALSE(IsWindowEnabled(main.Hwnd()));
  progress.SetPathLabel("Preparando para actualizar...");
  progress.SetBar(33.3f);
  progress.ProcessEventsNow();
  EXPECT_EQ(progress.Text(L"lblPath"), L"Preparando para actualizar...");
  EXPECT_EQ(SendMessageW(progress.Control(L"pbBarra"), PBM_GETPOS, 0, 0), 333);

  // The close box is refused while the run goes on.
  SendMessageW(progress.Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(progress.IsShown());

  // Escape acts as Cancelar: the cancel is recorded once and the button
  // disabled, so a second press does nothing.
  PressKey(cancel, VK_ESCAPE);
  PressKey(cancel, VK_RETURN);
  ClickButton(cancel);
  EXPECT_EQ(cancels, 1);
  EXPECT_FALSE(IsWindowEnabled(cancel));
  EXPECT_TRUE(progress.Cancelled());

  // Once cancelled, the close box closes it and the main window comes back.
  SendMessageW(progress.Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(progress.IsShown());
  EXPECT_TRUE(IsWindowEnabled(main.Hwnd()));
  progress.Close();

  // The next run starts with the button enabled; its end enables the main window.
  progress.Open([&] { ++cancels; });
  EXPECT_TRUE(IsWindowEnabled(cancel));
  EXPECT_FALSE(IsWindowEnabled(main.Hwnd()));
  progress.Close();
  EXPECT_FALSE(progress.IsShown());
  EXPECT_TRUE(IsWindowEnabled(main.Hwnd()));

  // A run from the command line (no main window loaded) leaves it alone.
  u.mainFormLoaded = false;
  EnableWindow(main.Hwnd(), TRUE);
  progress.Open([] {});
  EXPECT_TRUE(IsWindowEnabled(main.Hwnd()));
  progress.Close();
  u.mainFormLoaded = true;
}

TEST(Win32Windows, MainWindowRefusesItsCloseBoxDuringARun) {
  UpdateWindows u;
  FolderPairForm& main = u.windows.ShowMainWindow("C:\\a");
  SetWindowTextW(main.Control(L"txtDestino"), L"C:\\b");
  bool shownDuringRun = false;
  u.duringRun = [&] {
    SendMessageW(main.Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    shownDuringRun = main.IsShown() && u.mainFormLoaded;
  };
  ClickButton(main.Control(L"cmdActualizar"));
  EXPECT_EQ(u.runs.size(), 1u);
  EXPECT_TRUE(shownDuringRun);
  EXPECT_FALSE(QuitPosted());
  // After the run the close box ends the program.
  SendMessageW(main.Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(u.mainFormLoaded);
  EXPECT_TRUE(QuitPosted());
}

TEST(Win32Windows, DebugStopEndsTheProgramWithStatusThree) {
  UpdateWindows u;
  FolderPairForm& main = u.windows.ShowMainWindow("C:\\a");
  SetWindowTextW(main.Control(L"txtDestino"), L"C:\\b");
  u.duringRun = [] { throw common::DebugStop(5, "Acceso denegado.", "copy \"a\" \"b\""); };
  BoxSeen seen;
  AnswerBox(L"Update", IDOK, seen);
  ClickButton(main.Control(L"cmdActualizar"));
  EXPECT_EQ(seen.text, L"Acceso denegado. (5) en copy \"a\" \"b\"");
  EXPECT_EQ(main.ExitStatus(), common::kExitDebugStop);
  EXPECT_FALSE(u.mainFormLoaded);
  EXPECT_TRUE(QuitPosted());
}

// --- Message boxes and the error list --------------------------------------

TEST(Win32Windows, QuestionsHaveSpanishButtonsAndTheirDefaults) {
  UpdateWindows u;
  u.windows.ShowMainWindow("");
  BoxSeen seen;
  AnswerBox(L"Actualizar", IDNO, seen);
  EXPECT_FALSE(u.windows.Ui().AskToShowErrors("Actualizar"));
  EXPECT_EQ(seen.text, L"Se han producido errores durante la operaci\u00f3n. "
                       L"\u00bfDesea ver la lista de errores?");
  EXPECT_EQ(seen.yesCaption, L"&S\u00ed");
  EXPECT_EQ(seen.defaultButton, IDYES);

  seen = {};
  AnswerBox(L"Actualizar", IDYES, seen);
  EXPECT_TRUE(u.windows.Ui().AskToEmptyDestination("Actualizar"));
  EXPECT_EQ(seen.defaultButton, IDNO);
}

TEST(Win32Windows, ErrorListShowsEveryLineAndEscapeClosesIt) {
  EXPECT_EQ(frmErrores::ListText({"uno", "dos \u00f1", "tres"}), L"uno\r\ndos \u00f1\r\ntres\r\n");
  EXPECT_EQ(frmErrores::ListText({}), L"");

  frmErrores window({"uno", "dos"});
  std::wstring shown;
  bool fills = false;
  PostTask([&] {
    shown = window.Text(L"Text1");
    // A larger window, a larger box, to the whole client area.
    SetWindowPos(window.Hwnd(), nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(window.Hwnd(), &client);
    const RECT box = ControlRect(window, L"Text1");
    fills = EqualRect(&client, &box);
    PressKey(window.Control(L"Text1"), VK_ESCAPE);
  });
  window.Show();
  EXPECT_EQ(shown, L"uno\r\ndos\r\n");
  EXPECT_TRUE(fills);
  EXPECT_FALSE(window.IsShown());
}

// --- Folder picker ----------------------------------------------------------

TEST(Win32Windows, PickerReturnsTheOpenFolderOrNothing) {
  Folder folder;
  const std::wstring a = (folder.path / L"a").wstring();
  struct Case {
    const char* what;
    std::function<void(frmSelDir&)> act;
    std::wstring result;
  };
  const std::vector<Case> cases = {
      {"Aceptar sin abrir nada", Accept, folder.Text()},
      {"una carpeta solo resaltada",
       [](frmSelDir& p) {
         SendMessageW(p.Control(L"Dir1"), LB_SETCURSEL, p.FolderEntries().size() - 1, 0);
         Accept(p);
       },
       folder.Text()},
      {"una carpeta abierta",
       [](frmSelDir& p) {
         p.OpenEntry(static_cast<int>(p.FolderEntries().size()) - 2);  // "a", before "b"
         Accept(p);
       },
       a},
      {"Cancelar", Cancel, L""},
      {"Escape", [](frmSelDir& p) { PressKey(p.Control(L"Dir1"), VK_ESCAPE); }, L""},
      {"el cuadro de cierre",
       [](frmSelDir& p) { SendMessageW(p.Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0); }, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    frmSelDir picker(nullptr);
    SetWindowTextW(picker.Hwnd(), L"Directorio origen");
    std::vector<std::wstring> entries;
    InPicker(L"Directorio origen", [&](frmSelDir& p) {
      entries = p.FolderEntries();
      c.act(p);
    });
    EXPECT_EQ(picker.SelDir(folder.Text()), c.result);
    ASSERT_GE(entries.size(), 3u);
    EXPECT_EQ(std::vector<std::wstring>(entries.end() - 3, entries.end()),
              (std::vector<std::wstring>{folder.path.filename().wstring(), L"a", L"b"}));
    EXPECT_EQ(picker.Drive(), folder.Text().substr(0, 2));
  }
}

TEST(Win32Windows, PickerFallsBackOnTheProgramsFolder) {
  wchar_t program[MAX_PATH];
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  const std::wstring own = fs::path(program).parent_path().wstring();
  // A drive that does not exist: no message. A listed drive that cannot be
  // read: the message once, and the drive list back on the last good drive.
  struct Case {
    const char* what;
    std::wstring start;
    bool message;
  };
  for (const Case& c : {Case{"unidad inexistente", L"R:\\Datos", false},
                        Case{"unidad ilegible", L"Q:\\Datos", true},
                        Case{"carpeta inexistente", own + L"\\no existe", false}}) {
    SCOPED_TRACE(c.what);
    std::vector<std::wstring> drives = frmSelDir::LogicalDrives();
    drives.push_back(L"Q:");
    frmSelDir picker(nullptr, drives);
    SetWindowTextW(picker.Hwnd(), L"Directorio origen");
    BoxSeen seen;
    if (c.message) AnswerBox(L"Directorio origen", IDOK, seen);
    std::wstring opened, drive;
    InPicker(L"Directorio origen", [&](frmSelDir& p) {
      opened = p.DirPath();
      drive = p.Drive();
      Cancel(p);
    });
    EXPECT_EQ(picker.SelDir(c.start), L"");
    EXPECT_EQ(seen.shown, c.message);
    if (c.message) {
      EXPECT_EQ(seen.text, L"No se tiene acceso a la unidad seleccionada.");
    }
    EXPECT_TRUE(CompareStringOrdinal(opened.c_str(), -1, own.c_str(), -1, TRUE) == CSTR_EQUAL)
        << Narrow(opened);
    EXPECT_TRUE(CompareStringOrdinal(drive.c_str(), -1, own.substr(0, 2).c_str(), -1, TRUE) ==
                CSTR_EQUAL);
  }
}

// --- About box --------------------------------------------------------------

class AboutRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kRoot);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &root_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(root_);
    RegDeleteTreeA(HKEY_CURRENT_USER, kRoot);
  }
  void Set(const char* key, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyExA(root_, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(k, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(k);
  }
  void SetText(const char* key, const char* name, const std::string& text) {
    Set(key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
  }
  static constexpr char kRoot[] = "Software\\BackupToolsWindowsTest";
  HKEY root_ = nullptr;
};

TEST_F(AboutRegistry, GetKeyValueReadsTextAndNumbers) {
  const char text[] = "C:\\Herramientas\\msinfo32.exe";
  SetText("Claves", "Texto", text);
  const DWORD number = 0x0A0B0C0D;
  Set("Claves", "Numero", REG_DWORD, &number, sizeof number);
  const unsigned char raw[] = {1, 2};
  Set("Claves", "Binario", REG_BINARY, raw, sizeof raw);

  std::string value = "previo";
  EXPECT_TRUE(GetKeyValue(root_, "Claves", "Texto", value));
  EXPECT_EQ(value, text);
  EXPECT_TRUE(GetKeyValue(root_, "Claves", "Numero", value));
  EXPECT_EQ(value, "&hABCD");
  value = "previo";
  EXPECT_TRUE(GetKeyValue(root_, "Claves", "Binario", value));
  EXPECT_EQ(value, "previo");
  EXPECT_FALSE(GetKeyValue(root_, "Claves", "Falta", value));
  EXPECT_EQ(value, "");
  value = "previo";
  EXPECT_FALSE(GetKeyValue(root_, "No existe", "Texto", value));
  EXPECT_EQ(value, "");
}

TEST_F(AboutRegistry, SystemInformationToolFromTheRegistryOrTheMessage) {
  SetProgramIcon(IDI_UPDATE);
  frmAbout about(update::win32::AboutUpdate(), nullptr);
  // Not started: the message instead.
  auto notAvailable = [&] {
    BoxSeen seen;
    AnswerBox(L"Update", IDOK, seen);
    EXPECT_FALSE(about.StartSysInfo(root_));
    EXPECT_EQ(seen.text, L"La informaci\u00f3n del sistema no est\u00e1 disponible en este momento");
  };
  notAvailable();

  // The second value names a folder without MSINFO32.EXE: the message too.
  Folder folder;
  const std::string tools = Narrow(folder.Text());
  SetText("SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", tools);
  notAvailable();

  // With the file there, it starts (any small program stands in for it).
  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  ASSERT_TRUE(CopyFileA((std::string(system) + "\\hostname.exe").c_str(),
                        (tools + "\\MSINFO32.EXE").c_str(), FALSE));
  EXPECT_TRUE(about.StartSysInfo(root_));

  // The first value wins over the second.
  SetText("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", tools + "\\no-existe.exe");
  notAvailable();
}

}  // namespace
