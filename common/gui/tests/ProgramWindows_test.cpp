// The main and progress windows of both programs with the real engines on
// real folders: the drawing, the pickers, a run with its progress window,
// Cancelar, the close box and the keys. Every case runs once per program
// (the global data rows); what only one program does is tested in its own
// gui/tests.

#include <QDir>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "common/gui/FormLayout.h"
#include "common/gui/frmSelDir.h"
#include "common/gui/tests/support/ModalDriver.h"
#include "common/gui/tests/support/ProgramSession.h"
#include "common/gui/tests/support/WindowChecks.h"
#include "compare/core/Globales.h"
#include "compare/gui/frmMain.h"
#include "update/core/Globales.h"
#include "update/gui/frmMain.h"

using testsupport::ClickButton;
using testsupport::ClickMessageButton;
using testsupport::CloseFromWindowSystem;
using testsupport::ModalDriver;

namespace {

// What the windows of one program show, as drawn.
struct Program {
  QString title;
  QSize client;
  int destinoTop;  // txtDestino and its browse button
  int buttonsTop;  // cmdAcercaDe, cmdCancelar and the run button
  const char* runButton;
  QString runCaption;
  QStringList tabOrder;
  QString progressCaption;
  QSize progressClient;
  QString preparing;  // the path label before the count
  QString question;   // the title of the question after a failed run
};

const Program kUpdate{
    .title = "Update",
    .client = {4095, 2055},
    .destinoTop = 1080,
    .buttonsTop = 1560,
    .runButton = "cmdActualizar",
    .runCaption = "&Actualizar",
    .tabOrder = {"txtOrigen", "cmdExploraOrigen", "txtDestino", "cmdExploraDestino", "cmdAcercaDe",
                 "cmdCancelar", "cmdActualizar"},
    .progressCaption = "Actualizando...",
    .progressClient = {6000, 2025},
    .preparing = "Preparando para actualizar...",
    .question = "Actualizar",
};

const Program kCompare{
    .title = "Compare",
    .client = {4095, 2295},
    .destinoTop = 960,
    .buttonsTop = 1800,
    .runButton = "cmdComparar",
    .runCaption = "C&omparar",
    .tabOrder = {"txtOrigen", "cmdExploraOrigen", "txtDestino", "cmdExploraDestino", "cmdAcercaDe",
                 "cmdCancelar", "cmdComparar", "chkQuick"},
    .progressCaption = "Comparando...",
    .progressClient = {5895, 1935},
    .preparing = "Preparando para comparar...",
    .question = "Comparar",
};

QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

}  // namespace

class ProgramWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase_data();
  void init();
  void cleanup() { s_.reset(); }

  void mainWindowFollowsTheDrawing();
  void progressWindowFollowsTheDrawing();
  void emptyBoxesOpenOnlyTheSourcePicker();
  void emptyCopyBoxOpensItsPicker();
  void cancelledPickerLeavesTheText();
  void runDisablesTheWindowUntilItEnds();
  void cancelEndsTheRunWithTheNoteLine_data();
  void cancelEndsTheRunWithTheNoteLine();
  void closeBoxDuringARun();
  void keysOfTheMainWindow_data();
  void keysOfTheMainWindow();
  void accessKeysMoveTheFocus();
  void focusAtStartUp_data();
  void focusAtStartUp();

 private:
  QLineEdit* Box(const char* name) { return s_->Box(name); }
  QPushButton* Button(const char* name) { return s_->Button(name); }
  void ClickRun() { QTest::mouseClick(Button(p_.runButton), Qt::LeftButton); }

  Program p_;
  std::unique_ptr<testsupport::ProgramSession> s_;
};

void ProgramWindowsTest::initTestCase_data() {
  QTest::addColumn<bool>("update");
  QTest::newRow("update") << true;
  QTest::newRow("compare") << false;
}

void ProgramWindowsTest::init() {
  QFETCH_GLOBAL(bool, update);
  p_ = update ? kUpdate : kCompare;
  if (update)
    s_ = std::make_unique<testsupport::SessionOf<update::frmMain>>();
  else
    s_ = std::make_unique<testsupport::SessionOf<compare::frmMain>>();
}

void ProgramWindowsTest::mainWindowFollowsTheDrawing() {
  common::FolderPairForm& window = s_->Window();
  QCOMPARE(window.windowTitle(), p_.title);
  QCOMPARE(window.size(), common::TwipsSize(p_.client.width(), p_.client.height()));
  QVERIFY(window.Loaded());
  QCOMPARE(Button("cmdAcercaDe")->geometry(), common::TwipsRect(120, p_.buttonsTop, 1212, 372));
  QCOMPARE(Button("cmdCancelar")->geometry(), common::TwipsRect(1920, p_.buttonsTop, 972, 372));
  QCOMPARE(Button(p_.runButton)->geometry(), common::TwipsRect(3000, p_.buttonsTop, 972, 372));
  QCOMPARE(Button(p_.runButton)->text(), p_.runCaption);
  QVERIFY(Button(p_.runButton)->isDefault());

  // Browse buttons: square, as tall as the boxes, flush with the right
  // margin, 4 pixels from their box; tops as drawn.
  for (auto [box, browse, top] : {std::tuple{"txtOrigen", "cmdExploraOrigen", 360},
                                  std::tuple{"txtDestino", "cmdExploraDestino", p_.destinoTop}}) {
    const QRect b = Button(browse)->geometry();
    const QRect t = Box(box)->geometry();
    QCOMPARE(b.size(), QSize(t.height(), t.height()));
    QCOMPARE(b.right() + 1, window.width() - common::TwipsToPixels(120));
    QCOMPARE(b.left() - (t.right() + 1), 4);
    QCOMPARE(t.top(), common::TwipsToPixels(top));
    QCOMPARE(b.top(), common::TwipsToPixels(top));
    QVERIFY(!Button(browse)->icon().isNull());
  }

  const auto* label1 = window.findChild<QLabel*>("Label1");
  QCOMPARE(label1->text(), QString("Carpeta &origen"));
  QCOMPARE(label1->buddy(), Box("txtOrigen"));
  QCOMPARE(window.findChild<QLabel*>("Label2")->buddy(), Box("txtDestino"));
  // Nothing overlaps once the boxes took their height.
  QVERIFY(!Box("txtOrigen")->geometry().intersects(window.findChild<QLabel*>("Label2")->geometry()));

  QStringList order;
  for (QWidget* w = Box("txtOrigen"); order.size() < p_.tabOrder.size(); w = w->nextInFocusChain()) {
    if (w->focusPolicy() & Qt::TabFocus) order << w->objectName();
  }
  QCOMPARE(order, p_.tabOrder);
  QVERIFY2(testsupport::TextsCutOff(&window).isEmpty(),
           qPrintable(testsupport::TextsCutOff(&window).join(", ")));
}

void ProgramWindowsTest::progressWindowFollowsTheDrawing() {
  common::ProgressWindow& progress = s_->Windows().ProgressWindow();
  QCOMPARE(progress.windowTitle(), p_.progressCaption);
  QCOMPARE(progress.size(), common::TwipsSize(p_.progressClient.width(), p_.progressClient.height()));
  QCOMPARE(s_->ProgressButton()->geometry(), common::TwipsRect(4800, 1440, 972, 372));
  progress.SetPathLabel(p_.preparing.toStdString());
  progress.Open([] {});
  progress.ProcessEvents();
  QVERIFY2(testsupport::TextsCutOff(&progress).isEmpty(),
           qPrintable(testsupport::TextsCutOff(&progress).join(", ")));
  progress.Close();
}

void ProgramWindowsTest::emptyBoxesOpenOnlyTheSourcePicker() {
  ModalDriver driver;
  driver.Then([](QWidget* picker) { ClickButton(picker, "cmdCancelar"); });
  ClickRun();
  QCOMPARE(driver.Seen(), QStringList{"Directorio origen"});
  QCOMPARE(driver.Unexpected(), 0);
  QVERIFY(Box("txtOrigen")->text().isEmpty());
  QVERIFY(Box("txtDestino")->text().isEmpty());
}

void ProgramWindowsTest::emptyCopyBoxOpensItsPicker() {
  Box("txtOrigen")->setText(s_->origen);
  ModalDriver driver;
  driver.Then([](QWidget* picker) { ClickButton(picker, "cmdCancelar"); });
  ClickRun();
  QCOMPARE(driver.Seen(), QStringList{"Directorio destino"});
  QCOMPARE(driver.Unexpected(), 0);  // nothing ran
  QVERIFY(Box("txtDestino")->text().isEmpty());
}

void ProgramWindowsTest::cancelledPickerLeavesTheText() {
  Box("txtOrigen")->setText("/no/cambia");
  ModalDriver driver;
  QString startedIn;
  driver.Then([&](QWidget* picker) {
    startedIn = static_cast<common::frmSelDir*>(picker)->DirPath();
    QTest::keyClick(picker, Qt::Key_Escape);
  });
  QTest::mouseClick(Button("cmdExploraOrigen"), Qt::LeftButton);
  QCOMPARE(Box("txtOrigen")->text(), QString("/no/cambia"));
  QCOMPARE(driver.Seen(), QStringList{"Directorio origen"});
  // A box naming no folder opens the picker in the program's own folder.
  QCOMPARE(startedIn, QCoreApplication::applicationDirPath());
}

void ProgramWindowsTest::runDisablesTheWindowUntilItEnds() {
  s_->Fill();
  bool enabledDuringRun = true;
  bool progressShown = false;
  QTimer::singleShot(0, [&] {
    enabledDuringRun = s_->Window().isEnabled();
    progressShown = s_->Windows().ProgressWindow().isVisible();
  });
  // compare finds the copy empty and asks; update has nothing to report.
  ModalDriver driver;
  driver.Then([](QWidget* box) { ClickMessageButton(box, QMessageBox::No); });
  ClickRun();
  QVERIFY(!enabledDuringRun);
  QVERIFY(progressShown);
  QCOMPARE(driver.Unexpected(), 0);
  QVERIFY(s_->Window().isEnabled());
  QVERIFY(!s_->Windows().ProgressWindow().isVisible());
  QCOMPARE(Box("txtOrigen")->text(), s_->origen);
  QCOMPARE(Box("txtDestino")->text(), s_->destino);
}

void ProgramWindowsTest::cancelEndsTheRunWithTheNoteLine_data() {
  QTest::addColumn<bool>("queuedDuringCount");
  QTest::newRow("clicked at the first yield") << false;
  // A click that reaches the queue while the source is being counted,
  // after the window's first yield: it must be seen before any action.
  QTest::newRow("queued during the count") << true;
}

void ProgramWindowsTest::cancelEndsTheRunWithTheNoteLine() {
  QFETCH(bool, queuedDuringCount);
  s_->Fill();
  ModalDriver driver;
  QString list;
  driver.Then([](QWidget* box) { ClickMessageButton(box, QMessageBox::Yes); });
  driver.Then(testsupport::ReadErrorList(list));
  QWidget* cancel = s_->ProgressButton();
  auto click = [cancel] { QTest::mouseClick(cancel, Qt::LeftButton); };
  if (queuedDuringCount) {
    // The count lists the source first (compare's maybe on its read-ahead
    // thread); the click is queued as that listing starts.
    s_->faults.OnCall(common::FsOp::List, s_->origen.toStdString(),
                      [cancel, click] { QMetaObject::invokeMethod(cancel, click, Qt::QueuedConnection); });
  } else {
    QTimer::singleShot(0, click);
  }
  ClickRun();

  QCOMPARE(driver.Seen(), (QStringList{p_.question, "Errores"}));
  QCOMPARE(list, QString("Cancelado por el usuario\r\n"));  // nothing was compared or done
  QCOMPARE(Entries(s_->destino), QStringList{});
  QVERIFY(s_->Window().isEnabled());
}

void ProgramWindowsTest::closeBoxDuringARun() {
  s_->Fill();
  common::ProgressWindow& progress = s_->Windows().ProgressWindow();
  bool progressRefused = false;
  bool mainRefused = false;
  bool acceptedAfterCancel = false;
  QTimer::singleShot(0, [&] {
    progressRefused = !CloseFromWindowSystem(&progress);
    mainRefused = !CloseFromWindowSystem(&s_->Window());
    QTest::mouseClick(s_->ProgressButton(), Qt::LeftButton);
    acceptedAfterCancel = CloseFromWindowSystem(&progress);
  });
  ModalDriver driver;
  driver.Then([](QWidget* box) { ClickMessageButton(box, QMessageBox::No); });
  ClickRun();
  QVERIFY(progressRefused);
  QVERIFY(mainRefused);
  QVERIFY(acceptedAfterCancel);
  QCOMPARE(driver.Seen(), QStringList{p_.question});
  QVERIFY(s_->Window().isVisible());
  QVERIFY(s_->Window().isEnabled());
  // Idle again, the main window closes like any other.
  QVERIFY(CloseFromWindowSystem(&s_->Window()));
  QVERIFY(!s_->Window().Loaded());
}

void ProgramWindowsTest::keysOfTheMainWindow_data() {
  QTest::addColumn<QString>("focus");
  QTest::addColumn<int>("key");
  QTest::addColumn<bool>("about");
  QTest::addColumn<bool>("stillOpen");
  QTest::newRow("F1 in txtOrigen") << "txtOrigen" << int(Qt::Key_F1) << true << true;
  QTest::newRow("F1 on the run button") << "run" << int(Qt::Key_F1) << true << true;
  QTest::newRow("Escape in txtDestino") << "txtDestino" << int(Qt::Key_Escape) << false << false;
}

void ProgramWindowsTest::keysOfTheMainWindow() {
  QFETCH(QString, focus);
  QFETCH(int, key);
  QFETCH(bool, about);
  QFETCH(bool, stillOpen);
  s_->Fill();
  ModalDriver driver;
  if (about) driver.Then([](QWidget* window) { ClickButton(window, "cmdOK"); });
  QWidget* target = focus == "run" ? Button(p_.runButton) : s_->Window().findChild<QWidget*>(focus);
  target->setFocus();
  QTest::keyClick(target, Qt::Key(key));
  QCOMPARE(driver.Seen(), about ? QStringList{"Acerca de " + p_.title} : QStringList{});
  QCOMPARE(s_->Window().isVisible(), stillOpen);
  QCOMPARE(s_->Window().Loaded(), stillOpen);
  QCOMPARE(Entries(s_->destino), QStringList{});  // nothing ran
}

void ProgramWindowsTest::accessKeysMoveTheFocus() {
  QApplication::setActiveWindow(&s_->Window());
  QVERIFY(QTest::qWaitForWindowActive(&s_->Window()));
  QTest::keyClick(&s_->Window(), Qt::Key_D, Qt::AltModifier);
  QCOMPARE(QApplication::focusWidget(), Box("txtDestino"));
  QTest::keyClick(&s_->Window(), Qt::Key_O, Qt::AltModifier);
  QCOMPARE(QApplication::focusWidget(), Box("txtOrigen"));
}

void ProgramWindowsTest::focusAtStartUp_data() {
  QTest::addColumn<QString>("origen");
  QTest::addColumn<QString>("focus");
  QTest::newRow("no folder") << "" << "txtOrigen";
  QTest::newRow("one folder") << "/datos/fotos" << "txtDestino";
}

void ProgramWindowsTest::focusAtStartUp() {
  QFETCH(QString, origen);
  QFETCH(QString, focus);
  common::FolderPairForm& window = s_->Windows().ShowMainWindow(origen.toStdString());
  QVERIFY(QTest::qWaitForWindowActive(&window));
  QCOMPARE(window.findChild<QLineEdit*>("txtOrigen")->text(), origen);
  QCOMPARE(QApplication::focusWidget()->objectName(), focus);
  // One box has the focus, and only that one shows a cursor.
  QCOMPARE(testsupport::BlinkingCursors(&window), QStringList{focus});
}

QTEST_MAIN(ProgramWindowsTest)
#include "ProgramWindows_test.moc"
