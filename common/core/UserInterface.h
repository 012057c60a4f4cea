#pragma once
// The dialogs a run control needs besides its progress window. The Qt front
// end shows message boxes and windows; the console front end uses standard
// output, standard error and, when it is a terminal, standard input.

#include <string>
#include <vector>

#include "common/core/ProgressView.h"
#include "common/core/RunStatus.h"

namespace common {

// The questions at the end of a run and before a run empties its copy.
inline constexpr char kErrorQuestion[] =
    "Se han producido errores durante la operación. ¿Desea ver la lista de "
    "errores?";
inline constexpr char kEmptySourceQuestion[] =
    "El origen está vacío. ¿Desea borrar todo el contenido del destino?";

// The button a Yes/No question presses when the user just confirms.
enum class DefaultAnswer { Yes, No };

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // The usage text, titled "Ayuda" (information icon, OK).
  virtual void ShowUsage(const std::string& text) = 0;
  // A command line the program will not run: problem is the one line that
  // says what is wrong, text the usage text. The console writes both on
  // standard error; a window shows the usage box with the line on top.
  virtual void ShowUsageError(const std::string& problem, const std::string& text) = 0;
  // The end-of-run question "Se han producido errores durante la operación.
  // ¿Desea ver la lista de errores?" titled title (warning icon, Yes/No,
  // Yes the default). True for Yes. A console with no terminal to ask
  // answers Yes, so the list is printed and never silently dropped.
  virtual bool AskToShowErrors(const std::string& title) = 0;
  // Before a run empties its copy because the source folder has no
  // entries: "El origen está vacío. ¿Desea borrar todo el contenido del
  // destino?" titled title (warning icon, Yes/No, No the default). True for
  // Yes. A console with no terminal to ask answers No.
  virtual bool AskToEmptyDestination(const std::string& title) = 0;
  // The error list window (modal): one line each.
  virtual void ShowErrorList(const std::vector<std::string>& lines) = 0;
  // A failure that stopped the run under /debug, shown as its error line
  // (description, number and what failed).
  virtual void ShowDebugFailure(const DebugStop& stop) = 0;
  // A short message (the program cannot go on), e.g. no display and fewer than two folders.
  virtual void ShowMessage(const std::string& title, const std::string& text) = 0;

  virtual ProgressView& Progress() = 0;
};

}  // namespace common
