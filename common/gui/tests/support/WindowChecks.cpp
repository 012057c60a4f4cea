#include "common/gui/tests/support/WindowChecks.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QStyleHints>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtTest/qtestspontaneevent.h>
#include <climits>

#include "common/gui/FormLayout.h"

namespace testsupport {

QStringList BlinkingCursors(const QWidget* window) {
  // A text box blinks with a timer of half the flash time, run by the
  // object that edits its line.
  const int half = QGuiApplication::styleHints()->cursorFlashTime() / 2;
  QStringList blinking;
  for (const QLineEdit* box : window->findChildren<QLineEdit*>()) {
    for (QObject* part : box->children()) {
      for (const auto& timer : QAbstractEventDispatcher::instance()->registeredTimers(part)) {
        if (timer.interval == half) blinking << box->objectName();
      }
    }
  }
  return blinking;
}

QStringList TextsCutOff(const QWidget* window) {
  QStringList cut;
  for (const QLabel* label : window->findChildren<QLabel*>()) {
    if (label->text().isEmpty()) continue;
    const QFontMetrics fm = label->fontMetrics();
    const QString text = common::VisibleText(label->text());
    const int flags = label->wordWrap() ? Qt::TextWordWrap : 0;
    const QRect need = fm.boundingRect(QRect(0, 0, label->width(), INT_MAX), flags, text);
    if (need.width() > label->width() || need.height() > label->height())
      cut << label->objectName();
  }
  for (const QPushButton* button : window->findChildren<QPushButton*>()) {
    if (button->text().isEmpty()) continue;
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.rect = button->rect();
    const QRect room =
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    const QFontMetrics fm = button->fontMetrics();
    if (fm.horizontalAdvance(common::VisibleText(button->text())) > room.width() ||
        fm.height() > room.height())
      cut << button->objectName();
  }
  for (const QCheckBox* box : window->findChildren<QCheckBox*>()) {
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    option.rect = box->rect();
    const QRect room = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    const QRect mark = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    const QFontMetrics fm = box->fontMetrics();
    if (fm.horizontalAdvance(common::VisibleText(box->text())) > room.width() ||
        fm.height() > room.height() || mark.height() > box->height())
      cut << box->objectName();
  }
  return cut;
}

bool CloseFromWindowSystem(QWidget* window) {
  QCloseEvent event;
  QSpontaneKeyEvent::setSpontaneous(&event);
  // notify, unlike sendEvent, leaves the event marked as coming from the
  // window system.
  QCoreApplication::instance()->notify(window, &event);
  return event.isAccepted();
}

}  // namespace testsupport
