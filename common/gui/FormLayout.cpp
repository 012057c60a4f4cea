#include "common/gui/FormLayout.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace common {

int TwipsToPixels(int twips) {
  return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
               TwipsToPixels(height));
}

QSize TwipsSize(int width, int height) {
  return QSize(TwipsToPixels(width), TwipsToPixels(height));
}

QFont FormFont() {
  QFont font;
  if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
    font.setFamily(QStringLiteral("Tahoma"));
  } else {
    // Left to fontconfig: the family the user's system calls sans-serif.
    font.setFamily(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
  }
  font.setPointSizeF(8.25);
  return font;
}

Qt::WindowFlags FixedWindowFlags(WindowKind kind) {
  return (kind == WindowKind::TopLevel ? Qt::Window : Qt::Dialog) | Qt::CustomizeWindowHint |
         Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
         Qt::MSWindowsFixedSizeDialogHint;
}

void MakeFixedDialog(QWidget* window, QSize client, WindowKind kind) {
  window->setWindowFlags(FixedWindowFlags(kind));
  window->setFixedSize(client);
}

void CentreOnScreen(QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect area = screen->availableGeometry();
  QRect frame = window->frameGeometry();
  window->move(area.center() - QPoint(frame.width() / 2, frame.height() / 2) +
               (window->pos() - frame.topLeft()));
}

void CentreOnOwner(QWidget* window, const QWidget* owner) {
  if (!owner || !owner->isVisible()) {
    CentreOnScreen(window);
    return;
  }
  QRect ownerFrame = owner->frameGeometry();
  QRect frame = window->frameGeometry();
  window->move(ownerFrame.center() - QPoint(frame.width() / 2, frame.height() / 2) +
               (window->pos() - frame.topLeft()));
}

QString VisibleText(const QString& caption) {
  QString text;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&') {
      if (i + 1 < caption.size() && caption[i + 1] == u'&') {
        text += u'&';
        ++i;
      }
      continue;
    }
    text += caption[i];
  }
  return text;
}

}  // namespace common
