#pragma once
// ProgramLook: what the windows of one program show that the other
// program's do not. Its title and icon, the twips of its main and progress
// windows, its run button and its About text, as plain numbers and UTF-8
// texts: the Qt windows (ProgramLayout.h) and the Win32 windows
// (common/win32/ProgramLayout.h) are both drawn from it.

namespace common {

struct Twips {
  int left, top, width, height;
};

struct ProgramLook {
  const char* title;     // "Update": the main window, the program's messages, About
  const char* iconName;  // "update": the icon's name in the theme

  struct MainWindow {
    int clientWidth, clientHeight;
    Twips label1, txtOrigen, cmdExploraOrigen;
    Twips label2, txtDestino, cmdExploraDestino;
    Twips cmdAcercaDe, cmdCancelar, runButton;
    const char* runName;     // "cmdActualizar"
    const char* runCaption;  // "&Actualizar"
  } main;

  struct ProgressWindow {
    const char* name;     // "frmUpdate"
    const char* caption;  // "Actualizando..."
    int clientWidth, clientHeight;
    Twips picture;  // Picture1; imgAni sits inside it
    Twips file;     // lblFile
    Twips path;     // lblPath
    Twips bar;      // pbBarra
    Twips cancel;   // cmdCancelar
  } progress;

  struct About {
    int major, minor, revision;
    const char* description;
    const char* legalNotice;
  } about;
};

}  // namespace common
