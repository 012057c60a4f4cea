#include "common/gui/GuiApplication.h"

#include <QByteArray>
#include <QLibraryInfo>
#include <QTranslator>
#include <clocale>
#include <string>

#include "common/gui/FormLayout.h"

namespace common {

namespace {

int g_argc = 1;
char* g_argv[2] = {nullptr, nullptr};

// Platforms that show nothing to anyone: a program on one of them would
// wait for ever on a question nobody sees, so they count as no display.
bool IsHeadlessPlatform(const QString& name) {
  return name == QStringLiteral("minimal") || name == QStringLiteral("offscreen");
}

// The platforms Qt would pick from the environment, then a stand-in, so that
// a display that cannot be reached is reported instead of ending the process.
QByteArray PlatformsToTry() {
  const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
  const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
  const bool waylandSession = qgetenv("XDG_SESSION_TYPE") == "wayland";
  const QByteArray desktop = (qgetenv("XDG_CURRENT_DESKTOP") + qgetenv("XDG_SESSION_DESKTOP")).toLower();
  QByteArray list;
  // Like Qt itself: Wayland in a Wayland session, except on GNOME, and
  // always when there is no X server.
  if (wayland && (!x11 || (waylandSession && !desktop.contains("gnome")))) list += "wayland;";
  if (x11) list += "xcb;";
  if (wayland && !list.contains("wayland")) list += "wayland;";
  return list + "minimal";
}

}  // namespace

std::unique_ptr<QApplication> CreateApplication(const char* programPath) {
  // QApplication sets every locale category from the environment; the
  // programs set only the ones they rely on, so the rest is put back.
  const char* current = std::setlocale(LC_ALL, nullptr);
  const std::string saved = current ? current : "C";

  // A platform the user names is used as named.
  const bool chosenByUser = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
  if (!chosenByUser) qputenv("QT_QPA_PLATFORM", PlatformsToTry());

  static std::string path;
  path = programPath ? programPath : "";
  g_argv[0] = path.data();
  auto app = std::make_unique<QApplication>(g_argc, g_argv);
  std::setlocale(LC_ALL, saved.c_str());

  // Programs started from here choose their own platform.
  if (!chosenByUser) qunsetenv("QT_QPA_PLATFORM");
  if (IsHeadlessPlatform(QApplication::platformName())) return nullptr;

  QApplication::setFont(FormFont());
  auto* translator = new QTranslator(app.get());
  if (translator->load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(translator);
  }
  return app;
}

}  // namespace common
