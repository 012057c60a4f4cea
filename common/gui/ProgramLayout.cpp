#include "common/gui/ProgramLayout.h"

#include "common/gui/FormLayout.h"
#include "common/gui/ProgramIcon.h"

namespace common {

namespace {

QRect Rect(Twips t) { return TwipsRect(t.left, t.top, t.width, t.height); }

}  // namespace

FolderPairLayout MainLayout(const ProgramLook& look) {
  const ProgramLook::MainWindow& m = look.main;
  FolderPairLayout layout;
  layout.caption = QString::fromUtf8(look.title);
  layout.client = TwipsSize(m.clientWidth, m.clientHeight);
  layout.runName = QString::fromUtf8(m.runName);
  layout.runCaption = QString::fromUtf8(m.runCaption);
  m.Place(layout, Rect);
  return layout;
}

AboutInfo About(const ProgramLook& look) {
  return {.title = QString::fromUtf8(look.title),
          .major = look.about.major, .minor = look.about.minor, .revision = look.about.revision,
          .description = QString::fromUtf8(look.about.description),
          .legalNotice = QString::fromUtf8(look.about.legalNotice),
          .icon = ProgramIcon(QString::fromUtf8(look.iconName))};
}

std::unique_ptr<ProgressWindow> MakeProgressWindow(const ProgramLook& look) {
  const ProgramLook::ProgressWindow& p = look.progress;
  auto window = std::make_unique<ProgressWindow>(
      ProgressLayout{.caption = QString::fromUtf8(p.caption),
                     .client = TwipsSize(p.clientWidth, p.clientHeight),
                     .picture = Rect(p.picture), .file = Rect(p.file), .path = Rect(p.path),
                     .bar = Rect(p.bar), .cancel = Rect(p.cancel)},
      ProgramIcon(QString::fromUtf8(look.iconName)));
  window->setObjectName(QString::fromUtf8(p.name));
  return window;
}

}  // namespace common
