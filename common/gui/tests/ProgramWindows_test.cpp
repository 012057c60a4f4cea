// The main and progress windows of both programs with the real engines on
// real folders: the drawing, the pickers, a run with its progress window,
// Cancelar, the close box and the keys. Every case runs once per program
// (the global data rows); a case about what only one program does skips
// the other.

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <cerrno>

#include "common/gui/FormLayout.h"
#include "common/gui/frmSelDir.h"
#include "common/gui/tests/support/DataRows.h"
#include "common/gui/tests/support/ModalDriver.h"
#include "common/gui/tests/support/ProgramSession.h"
#include "common/gui/tests/support/WindowChecks.h"
#include "compare/core/Globales.h"
#include "compare/gui/frmMain.h"
#include "update/core/Globales.h"
#include "update/gui/frmMain.h"

using testsupport::Answer;
using testsupport::ClickButton;
using testsupport::ClickMessageButton;
using testsupport::CloseFromWindowSystem;
using testsupport::MessageSeen;
using testsupport::ModalDriver;
using testsupport::Rows;

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
  bool update;
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
    .update = true,
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
    .update = false,
};

// A key pressed on a control of the main window, and what follows.
struct Keystroke {
  QString focus;  // "last": the last control in tab order
  Qt::Key key = Qt::Key_unknown;
  Qt::KeyboardModifiers modifiers = Qt::NoModifier;
  bool about = false;  // the About window opens
  bool updateOpen = true;
  bool compareOpen = true;
};

QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

// Each skips where the other program runs.
#define UPDATE_ONLY() \
  if (!p_.update) QSKIP("update only")
#define COMPARE_ONLY() \
  if (p_.update) QSKIP("compare only")

}  // namespace

Q_DECLARE_METATYPE(Keystroke)

class ProgramWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase_data();
  void init();
  void cleanup() { s_.reset(); }

  void windowsFollowTheDrawing();
  void anEmptyBoxOpensItsPickerAndNothingRuns_data();
  void anEmptyBoxOpensItsPickerAndNothingRuns();
  void cancelledPickerLeavesTheText();
  void runDisablesTheWindowAndItsCloseBoxUntilItEnds();
  void cancelEndsTheRunWithTheNoteLine_data();
  void cancelEndsTheRunWithTheNoteLine();
  void keysOfTheMainWindow_data();
  void keysOfTheMainWindow();
  void focusAtStartUpAndAccessKeys_data();
  void focusAtStartUpAndAccessKeys();

  // update
  void emptyDestinationIsPickedThenTheRunStarts();
  void emptySourceAsksBeforeEmptyingTheCopy_data();
  void emptySourceAsksBeforeEmptyingTheCopy();

  // compare
  void missingFolderIsReported_data();
  void missingFolderIsReported();
  void quickComparesSizesOnly_data();
  void quickComparesSizesOnly();

  // Last: the program's end leaves no event loop running for a later case.
  void failureUnderDebugEndsTheProgram();

 private:
  QLineEdit* Box(const char* name) { return s_->Box(name); }
  QPushButton* Button(const char* name) { return s_->Button(name); }
  QCheckBox* Quick() { return s_->Window().findChild<QCheckBox*>("chkQuick"); }
  void ClickRun() { QTest::mouseClick(Button(p_.runButton), Qt::LeftButton); }
  // Runs with both boxes filled; the question after the failed run is
  // answered Sí and the error list's text goes into list.
  void RunAndReadTheList(QString& list) {
    s_->Fill();
    ModalDriver driver;
    driver.Then([](QWidget* box) { ClickMessageButton(box, QMessageBox::Yes); });
    driver.Then(testsupport::ReadErrorList(list));
    ClickRun();
    QCOMPARE(driver.Seen(), (QStringList{p_.question, "Errores"}));
  }
  template <class MainForm>
  typename MainForm::Globals& G() {
    return static_cast<testsupport::SessionOf<MainForm>&>(*s_).g;
  }

  Program p_;
  std::unique_ptr<testsupport::ProgramSession> s_;
};

void ProgramWindowsTest::initTestCase_data() { Rows<bool>("update", {{"update", true}, {"compare", false}}); }

void ProgramWindowsTest::init() {
  QFETCH_GLOBAL(bool, update);
  p_ = update ? kUpdate : kCompare;
  if (update)
    s_ = std::make_unique<testsupport::SessionOf<update::frmMain>>();
  else
    s_ = std::make_unique<testsupport::SessionOf<compare::frmMain>>();
}

void ProgramWindowsTest::windowsFollowTheDrawing() {
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
  QCOMPARE(Quick() != nullptr, !p_.update);
  if (Quick()) {
    QCOMPARE(Quick()->geometry(), common::TwipsRect(120, 1320, 3855, 255));
    QCOMPARE(Quick()->text(), QString("Comparaci\u00f3n &r\u00e1pida"));
    QVERIFY(Box("txtDestino")->geometry().bottom() < Quick()->geometry().top());
  }

  QStringList order;
  for (QWidget* w = Box("txtOrigen"); order.size() < p_.tabOrder.size(); w = w->nextInFocusChain()) {
    if (w->focusPolicy() & Qt::TabFocus) order << w->objectName();
  }
  QCOMPARE(order, p_.tabOrder);
  QVERIFY2(testsupport::TextsCutOff(&window).isEmpty(),
           qPrintable(testsupport::TextsCutOff(&window).join(", ")));

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

void ProgramWindowsTest::anEmptyBoxOpensItsPickerAndNothingRuns_data() {
  // Both empty: only the source's picker opens, cancelled.
  Rows<bool>("origenFilled", {{"both boxes empty", false}, {"the copy's box empty", true}});
}

void ProgramWindowsTest::anEmptyBoxOpensItsPickerAndNothingRuns() {
  QFETCH(bool, origenFilled);
  if (origenFilled) Box("txtOrigen")->setText(s_->origen);
  ModalDriver driver;
  driver.Then([](QWidget* picker) { ClickButton(picker, "cmdCancelar"); });
  ClickRun();
  QCOMPARE(driver.Seen(), QStringList{origenFilled ? "Directorio destino" : "Directorio origen"});
  QCOMPARE(driver.Unexpected(), 0);  // nothing ran
  QCOMPARE(Box("txtOrigen")->text(), origenFilled ? s_->origen : QString());
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

void ProgramWindowsTest::runDisablesTheWindowAndItsCloseBoxUntilItEnds() {
  s_->Fill();
  bool enabledDuringRun = true;
  bool progressShown = false;
  bool closeRefused = false;
  QTimer::singleShot(0, [&] {
    enabledDuringRun = s_->Window().isEnabled();
    progressShown = s_->Windows().ProgressWindow().isVisible();
    closeRefused = !CloseFromWindowSystem(&s_->Window());
  });
  // compare finds the copy empty and asks; update has nothing to report.
  ModalDriver driver;
  driver.Then([](QWidget* box) { ClickMessageButton(box, QMessageBox::No); });
  // Enter in a box is the run button.
  Box("txtOrigen")->setFocus();
  QTest::keyClick(Box("txtOrigen"), Qt::Key_Return);
  QCOMPARE(QFile::exists(s_->destino + "/sub/b.txt"), p_.update);
  QVERIFY(!enabledDuringRun);
  QVERIFY(closeRefused);
  QVERIFY(progressShown);
  QCOMPARE(driver.Unexpected(), 0);
  QVERIFY(s_->Window().isEnabled());
  QVERIFY(!s_->Windows().ProgressWindow().isVisible());
  QCOMPARE(Box("txtOrigen")->text(), s_->origen);
  QCOMPARE(Box("txtDestino")->text(), s_->destino);
  // Idle again, the main window closes like any other.
  QVERIFY(s_->Window().isVisible());
  QVERIFY(CloseFromWindowSystem(&s_->Window()));
  QVERIFY(!s_->Window().Loaded());
}

void ProgramWindowsTest::cancelEndsTheRunWithTheNoteLine_data() {
  // A click that reaches the queue while the source is being counted,
  // after the window's first yield: it must be seen before any action.
  Rows<bool>("queuedDuringCount", {{"clicked at the first yield", false}, {"queued during the count", true}});
}

void ProgramWindowsTest::cancelEndsTheRunWithTheNoteLine() {
  QFETCH(bool, queuedDuringCount);
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
  QString list;
  RunAndReadTheList(list);
  QCOMPARE(list, QString("Cancelado por el usuario\r\n"));  // nothing was compared or done
  QCOMPARE(Entries(s_->destino), QStringList{});
  QVERIFY(s_->Window().isEnabled());
}

void ProgramWindowsTest::keysOfTheMainWindow_data() {
  const auto ctrl = Qt::ControlModifier;
  Rows<Keystroke>(
      "stroke",
      {{"F1 in txtOrigen", {.focus = "txtOrigen", .key = Qt::Key_F1, .about = true}},
       {"F1 on the last control", {.focus = "last", .key = Qt::Key_F1, .about = true}},
       {"Escape in txtDestino",
        {.focus = "txtDestino", .key = Qt::Key_Escape, .updateOpen = false, .compareOpen = false}},
       // Ctrl+W closes compare's window, whatever has the focus.
       {"Ctrl+W in txtOrigen",
        {.focus = "txtOrigen", .key = Qt::Key_W, .modifiers = ctrl, .compareOpen = false}},
       {"Ctrl+W on the last control",
        {.focus = "last", .key = Qt::Key_W, .modifiers = ctrl, .compareOpen = false}},
       {"Ctrl+Shift+W", {.focus = "txtOrigen", .key = Qt::Key_W, .modifiers = ctrl | Qt::ShiftModifier}}});
}

void ProgramWindowsTest::keysOfTheMainWindow() {
  QFETCH(Keystroke, stroke);
  const bool stillOpen = p_.update ? stroke.updateOpen : stroke.compareOpen;
  s_->Fill();
  ModalDriver driver;
  if (stroke.about) driver.Then([](QWidget* window) { ClickButton(window, "cmdOK"); });
  const QString focus = stroke.focus == "last" ? p_.tabOrder.last() : stroke.focus;
  QWidget* target = s_->Window().findChild<QWidget*>(focus);
  target->setFocus();
  QTest::keyClick(target, stroke.key, stroke.modifiers);
  QCOMPARE(driver.Seen(), stroke.about ? QStringList{"Acerca de " + p_.title} : QStringList{});
  QCOMPARE(s_->Window().isVisible(), stillOpen);
  QCOMPARE(s_->Window().Loaded(), stillOpen);
  QCOMPARE(Entries(s_->destino), QStringList{});  // nothing ran
}

void ProgramWindowsTest::focusAtStartUpAndAccessKeys_data() {
  QTest::addColumn<QString>("origen");
  QTest::addColumn<QString>("focus");
  QTest::newRow("no folder") << "" << "txtOrigen";
  QTest::newRow("one folder") << "/datos/fotos" << "txtDestino";
}

void ProgramWindowsTest::focusAtStartUpAndAccessKeys() {
  QFETCH(QString, origen);
  QFETCH(QString, focus);
  common::FolderPairForm& window = s_->Windows().ShowMainWindow(origen.toStdString());
  QVERIFY(QTest::qWaitForWindowActive(&window));
  QCOMPARE(window.findChild<QLineEdit*>("txtOrigen")->text(), origen);
  QCOMPARE(QApplication::focusWidget()->objectName(), focus);
  // One box has the focus, and only that one shows a cursor.
  QCOMPARE(testsupport::BlinkingCursors(&window), QStringList{focus});
  // The access keys of the labels move the focus to their boxes.
  QTest::keyClick(&window, Qt::Key_D, Qt::AltModifier);
  QCOMPARE(QApplication::focusWidget(), Box("txtDestino"));
  QTest::keyClick(&window, Qt::Key_O, Qt::AltModifier);
  QCOMPARE(QApplication::focusWidget(), Box("txtOrigen"));
}

void ProgramWindowsTest::emptyDestinationIsPickedThenTheRunStarts() {
  UPDATE_ONLY();
  // The picker opens in the current folder; accepting it names the copy.
  testsupport::CurrentFolder here(s_->destino);
  Box("txtOrigen")->setText(s_->origen);
  ModalDriver driver;
  driver.Then([](QWidget* picker) { ClickButton(picker, "cmdAceptar"); });
  ClickRun();
  QCOMPARE(driver.Seen(), QStringList{"Directorio destino"});
  QCOMPARE(Box("txtDestino")->text(), s_->destino);
  QVERIFY(QFile::exists(s_->destino + "/a.txt"));
  QVERIFY(QFile::exists(s_->destino + "/sub/b.txt"));
  QCOMPARE(driver.Unexpected(), 0);  // nothing failed: no question
}

void ProgramWindowsTest::emptySourceAsksBeforeEmptyingTheCopy_data() { testsupport::YesNoRows(); }

void ProgramWindowsTest::emptySourceAsksBeforeEmptyingTheCopy() {
  UPDATE_ONLY();
  QFETCH(int, answer);
  const bool emptied = answer == QMessageBox::Yes;
  QVERIFY(QDir(s_->origen).removeRecursively());
  QVERIFY(QDir().mkpath(s_->origen));
  testsupport::WriteFile(s_->destino + "/viejo.txt", "v");
  s_->Fill();
  ModalDriver driver;
  MessageSeen box;
  driver.Then(Answer(QMessageBox::StandardButton(answer), box));
  // Kept, the copy is a failure of the run: the usual question follows.
  if (!emptied) driver.Then([](QWidget* box) { ClickMessageButton(box, QMessageBox::No); });
  ClickRun();

  const QStringList seen = emptied ? QStringList{"Actualizar"} : QStringList{"Actualizar", "Actualizar"};
  QCOMPARE(driver.Seen(), seen);
  QCOMPARE(box.text, QString("El origen est\u00e1 vac\u00edo. \u00bfDesea borrar todo el contenido del destino?"));
  QCOMPARE(box.icon, QMessageBox::Warning);
  QCOMPARE(box.defaultButton, QString("&No"));
  QCOMPARE(QFile::exists(s_->destino + "/viejo.txt"), !emptied);
  QCOMPARE(driver.Unexpected(), 0);
}

void ProgramWindowsTest::failureUnderDebugEndsTheProgram() {
  UPDATE_ONLY();
  G<update::frmMain>().options.DebugMode = true;
  s_->faults.FailOn(common::FsOp::Open, "a.txt", EIO);
  s_->Fill();
  ModalDriver driver;
  MessageSeen box;
  driver.Then(Answer(QMessageBox::Ok, box));
  ClickRun();
  QCOMPARE(driver.Seen(), QStringList{"Update"});
  // The failure's error line: number and what failed.
  QVERIFY2(box.text.contains(" (5) en copy \"") && box.text.endsWith("/destino/a.txt\""),
           qPrintable(box.text));
  QCOMPARE(s_->Window().ExitStatus(), 3);
  QVERIFY(!s_->Window().isVisible());
  QVERIFY(!s_->Windows().ProgressWindow().isVisible());
  QVERIFY(!s_->Window().Loaded());
}

void ProgramWindowsTest::missingFolderIsReported_data() {
  QTest::addColumn<bool>("origenMissing");
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("focus");
  QTest::newRow("origen") << true << "El directorio de origen seleccionado no existe."
                          << "txtOrigen";
  QTest::newRow("destino") << false << "El directorio de destino seleccionado no existe."
                           << "txtDestino";
}

void ProgramWindowsTest::missingFolderIsReported() {
  COMPARE_ONLY();
  QFETCH(bool, origenMissing);
  QFETCH(QString, message);
  QFETCH(QString, focus);
  Box("txtOrigen")->setText(origenMissing ? s_->origen + "/falta" : s_->origen);
  // With the source missing the copy is not even looked at: an empty box
  // would open its picker.
  Box("txtDestino")->setText(origenMissing ? QString() : s_->destino + "/falta");
  Box("txtDestino")->setFocus();
  if (!origenMissing) Box("txtOrigen")->setFocus();
  ModalDriver driver;
  MessageSeen box;
  driver.Then(Answer(QMessageBox::Ok, box));
  ClickRun();
  QCOMPARE(driver.Seen(), QStringList{"Compare"});
  QCOMPARE(box.text, message);
  QCOMPARE(box.icon, QMessageBox::Information);
  QCOMPARE(s_->Window().focusWidget()->objectName(), focus);
}

void ProgramWindowsTest::quickComparesSizesOnly_data() {
  QTest::addColumn<bool>("quick");
  QTest::addColumn<QStringList>("kinds");  // each line of the list, up to its ':'
  QTest::newRow("full comparison finds the content")
      << false << QStringList{"Diferente contenido", "Falta archivo de destino"};
  QTest::newRow("quick comparison does not") << true << QStringList{"Falta archivo de destino"};
}

void ProgramWindowsTest::quickComparesSizesOnly() {
  COMPARE_ONLY();
  QFETCH(bool, quick);
  QFETCH(QStringList, kinds);
  // /q presets the box; the run follows the box.
  G<compare::frmMain>().options.Quick = !quick;
  s_->Windows().ShowMainWindow("");
  QCOMPARE(Quick()->isChecked(), !quick);
  Quick()->setChecked(quick);
  // The copy holds the same files; a.txt has the same size and another
  // content: only a full comparison tells them apart.
  QVERIFY(QDir().mkpath(s_->destino + "/sub"));
  testsupport::WriteFile(s_->destino + "/a.txt", "unx");
  testsupport::WriteFile(s_->destino + "/sub/b.txt", "dos");
  testsupport::WriteFile(s_->origen + "/solo.txt", "x");
  QString list;
  RunAndReadTheList(list);
  QStringList lines = list.split("\r\n");
  QCOMPARE(lines.takeLast(), QString());  // each line ended by CR LF
  QCOMPARE(lines.size(), kinds.size());
  for (int i = 0; i < lines.size(); ++i) QVERIFY2(lines[i].startsWith(kinds[i] + ": "), qPrintable(lines[i]));
  QCOMPARE(Quick()->isChecked(), quick);  // the box survives the run
}

QTEST_MAIN(ProgramWindowsTest)
#include "ProgramWindows_test.moc"
