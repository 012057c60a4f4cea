#include "common/gui/tests/support/WindowManager.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "common/gui/tests/support/ModalDriver.h"
#include "common/gui/tests/support/WindowChecks.h"

namespace testsupport {

namespace {

// xprop's answer for one property of window (0: the root window).
QString Property(quint64 window, const char* name) {
  QStringList args;
  if (window) args << QStringLiteral("-id") << QString::number(window);
  else args << QStringLiteral("-root");
  args << QString::fromLatin1(name);
  QProcess xprop;
  xprop.start(QStringLiteral("xprop"), args);
  if (!xprop.waitForFinished(10000)) return QString();
  return QString::fromLocal8Bit(xprop.readAllStandardOutput()).trimmed();
}

// The window ids of an answer such as "NAME(WINDOW): window id # 0x1, 0x2".
QList<quint64> WindowIds(const QString& answer) {
  QList<quint64> ids;
  static const QRegularExpression hex(QStringLiteral("0x[0-9a-fA-F]+"));
  for (const QRegularExpressionMatch& m : hex.globalMatch(answer))
    ids << m.captured().mid(2).toULongLong(nullptr, 16);
  return ids;
}

// How long a check waits for the window manager. Generous: on a loaded
// machine (a build beside the tests) openbox and xprop can take seconds, and
// a wait that ends sooner only costs time when something is really wrong.
constexpr int kWaitMs = 30000;

}  // namespace

QString WhyNoWindowManager() {
  if (QGuiApplication::platformName() != QStringLiteral("xcb"))
    return QStringLiteral("not on X11 (run through scripts/with-wm.sh)");
  if (QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty())
    return QStringLiteral("xprop is not installed (package x11-utils)");
  if (WindowIds(Property(0, "_NET_SUPPORTING_WM_CHECK")).isEmpty())
    return QStringLiteral("no window manager on this display (run through scripts/with-wm.sh)");
  return QString();
}

quint64 XWindow(const QWidget* window) { return window->winId(); }

bool WaitUntilManaged(const QWidget* window) {
  return QTest::qWaitFor([&] {
    return WindowIds(Property(0, "_NET_CLIENT_LIST")).contains(XWindow(window));
  }, kWaitMs);
}

QString WindowType(const QWidget* window) {
  const QString answer = Property(XWindow(window), "_NET_WM_WINDOW_TYPE");
  static const QRegularExpression type(QStringLiteral("_NET_WM_WINDOW_TYPE_[A-Z_]+"));
  return type.match(answer.section(QLatin1Char('='), 1)).captured();
}

quint64 TransientFor(const QWidget* window) {
  const QList<quint64> ids = WindowIds(Property(XWindow(window), "WM_TRANSIENT_FOR"));
  return ids.isEmpty() ? 0 : ids.first();
}

bool StackedAbove(const QWidget* upper, const QWidget* lower) {
  // Bottom to top.
  const QList<quint64> order = WindowIds(Property(0, "_NET_CLIENT_LIST_STACKING"));
  const qsizetype up = order.indexOf(XWindow(upper));
  const qsizetype low = order.indexOf(XWindow(lower));
  return up >= 0 && low >= 0 && up > low;
}

void ExpectTopLevel(const QWidget* window) {
  QVERIFY2(WaitUntilManaged(window), qPrintable(window->windowTitle()));
  QCOMPARE(WindowType(window), QStringLiteral("_NET_WM_WINDOW_TYPE_NORMAL"));
  QCOMPARE(TransientFor(window), quint64(0));
}

void ExpectOwnedBy(const QWidget* window, const QWidget* owner) {
  QVERIFY2(WaitUntilManaged(window), qPrintable(window->windowTitle()));
  QCOMPARE(WindowType(window), QStringLiteral("_NET_WM_WINDOW_TYPE_DIALOG"));
  QCOMPARE(TransientFor(window), XWindow(owner));
  QVERIFY2(QTest::qWaitFor([&] { return StackedAbove(window, owner); }, kWaitMs),
           qPrintable(window->windowTitle()));
}

void CheckMainWindow(const ProgramWindows& program) {
  QWidget* main = program.showMainWindow(program.origen.toStdString());
  ExpectTopLevel(main);
  QVERIFY(QTest::qWaitForWindowActive(main, kWaitMs));
  // The focus is set when the window first becomes active, by an event that
  // may come just after the activation is seen here.
  QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), main->findChild<QLineEdit*>("txtDestino"),
                            kWaitMs);
  QCOMPARE(BlinkingCursors(main), QStringList{"txtDestino"});
}

void CheckWindowsOfTheMainWindow(const ProgramWindows& program) {
  QWidget* main = program.showMainWindow("");
  QVERIFY(WaitUntilManaged(main));
  ModalDriver driver;
  driver.Then([&](QWidget* about) {
    ExpectOwnedBy(about, main);
    ClickButton(about, "cmdOK");
  });
  QTest::keyClick(main->findChild<QLineEdit*>("txtOrigen"), Qt::Key_F1);
  driver.Then([&](QWidget* picker) {
    ExpectOwnedBy(picker, main);
    ClickButton(picker, "cmdCancelar");
  });
  QTest::mouseClick(main->findChild<QPushButton*>("cmdExploraOrigen"), Qt::LeftButton);

  main->findChild<QLineEdit*>("txtOrigen")->setText(program.origen);
  main->findChild<QLineEdit*>("txtDestino")->setText(program.destino);
  bool progressSeen = false;
  // At the run's first yield, with the main window disabled.
  QTimer::singleShot(0, [&] {
    ExpectOwnedBy(program.progress, main);
    progressSeen = true;
  });
  driver.Then([&](QWidget* question) {
    ExpectOwnedBy(question, main);
    ClickMessageButton(question, QMessageBox::Yes);
  });
  driver.Then([&](QWidget* errors) {
    ExpectOwnedBy(errors, main);
    QTest::keyClick(errors, Qt::Key_Escape);
  });
  QTest::mouseClick(main->findChild<QPushButton*>(program.runButton), Qt::LeftButton);
  QVERIFY(progressSeen);
  QCOMPARE(driver.Pending(), 0);
  QCOMPARE(driver.Unexpected(), 0);
}

void CheckWindowsOfACommandLineRun(const ProgramWindows& program) {
  bool progressSeen = false;
  QTimer::singleShot(0, [&] {
    ExpectTopLevel(program.progress);
    progressSeen = true;
  });
  ModalDriver driver;
  driver.Then([&](QWidget* question) {
    ExpectTopLevel(question);
    ClickMessageButton(question, QMessageBox::Yes);
  });
  driver.Then([&](QWidget* errors) {
    ExpectTopLevel(errors);
    QTest::keyClick(errors, Qt::Key_Escape);
  });
  program.runFromCommandLine();
  QVERIFY(progressSeen);
  QCOMPARE(driver.Pending(), 0);
  QCOMPARE(driver.Unexpected(), 0);
}

}  // namespace testsupport
