#pragma once
// ProgramLook: what the windows of one program show. Its title and icon,
// the twips of its main and progress windows, its run button and its About
// text, as plain numbers and UTF-8 texts: the Qt windows (ProgramLayout.h)
// and the Win32 windows (common/win32/ProgramLayout.h) are both drawn from
// it. Where both programs' windows agree the field says so once, here.

namespace common {

struct Twips {
  int left, top, width, height;
};

struct ProgramLook {
  const char* title;     // "Update": the main window, the program's messages, About
  const char* iconName;  // "update": the icon's name in the theme

  struct MainWindow {
    int clientWidth = 4095, clientHeight;
    Twips label1, txtOrigen = {120, 360, 3492, 288}, cmdExploraOrigen = {3720, 360, 252, 252};
    Twips label2, txtDestino, cmdExploraDestino;
    Twips cmdAcercaDe, cmdCancelar, runButton;
    const char* runName;     // "cmdActualizar"
    const char* runCaption;  // "&Actualizar"

    // Places each control of a toolkit's layout, through rect(Twips).
    template <class Layout, class Rect>
    void Place(Layout& layout, Rect rect) const {
      layout.label1 = rect(label1);
      layout.txtOrigen = rect(txtOrigen);
      layout.cmdExploraOrigen = rect(cmdExploraOrigen);
      layout.label2 = rect(label2);
      layout.txtDestino = rect(txtDestino);
      layout.cmdExploraDestino = rect(cmdExploraDestino);
      layout.cmdAcercaDe = rect(cmdAcercaDe);
      layout.cmdCancelar = rect(cmdCancelar);
      layout.runButton = rect(runButton);
    }
  } main;

  struct ProgressWindow {
    const char* name;     // "frmUpdate"
    const char* caption;  // "Actualizando..."
    int clientWidth, clientHeight;
    Twips picture = {120, 120, 612, 612};   // Picture1; imgAni sits inside it
    Twips file;                             // lblFile
    Twips path;                             // lblPath
    Twips bar = {120, 1440, 4575, 255};     // pbBarra
    Twips cancel = {4800, 1440, 972, 372};  // cmdCancelar
  } progress;

  struct About {
    int major, minor, revision;
    const char* description;
    const char* legalNotice;
  } about;
};

}  // namespace common
