#include "common/win32/ProgramLayout.h"

namespace common::win32 {

namespace {

TwipRect Rect(common::Twips t) { return {t.left, t.top, t.width, t.height}; }

}  // namespace

ProgramLayout::ProgramLayout(const ProgramLook& look)
    : title_(Widen(look.title)), runName_(Widen(look.main.runName)),
      runCaption_(Widen(look.main.runCaption)), progressName_(Widen(look.progress.name)),
      progressCaption_(Widen(look.progress.caption)) {
  const ProgramLook::MainWindow& m = look.main;
  main.caption = title_.c_str();
  main.clientWidth = m.clientWidth;
  main.clientHeight = m.clientHeight;
  main.runName = runName_.c_str();
  main.runCaption = runCaption_.c_str();
  m.Place(main, Rect);
  const ProgramLook::ProgressWindow& p = look.progress;
  progress = {.name = progressName_.c_str(), .caption = progressCaption_.c_str(),
              .clientWidth = p.clientWidth, .clientHeight = p.clientHeight,
              .picture = Rect(p.picture), .file = Rect(p.file), .path = Rect(p.path),
              .bar = Rect(p.bar), .cancel = Rect(p.cancel)};
}

AboutInfo About(const ProgramLook& look, int iconId) {
  return {.title = Widen(look.title),
          .major = look.about.major, .minor = look.about.minor, .revision = look.about.revision,
          .description = Widen(look.about.description),
          .legalNotice = Widen(look.about.legalNotice),
          .iconId = iconId};
}

}  // namespace common::win32
