// update's windows with the real engine on real folders: the main window's
// checks before a run, a run with its progress window, Cancelar, the close
// box, the keys, and a failure under /debug.

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cerrno>

#include "common/core/FileSystem.h"
#include "common/gui/FormLayout.h"
#include "common/gui/frmErrores.h"
#include "common/gui/frmSelDir.h"
#include "common/gui/tests/support/ModalDriver.h"
#include "common/gui/tests/support/WindowChecks.h"
#include "update/core/Globales.h"
#include "update/gui/frmMain.h"

using testsupport::ClickButton;
using testsupport::ClickMessageButton;
using testsupport::CloseFromWindowSystem;
using testsupport::ModalDriver;

namespace {

const char kQuestion[] =
    "Se han producido errores durante la operaci\u00f3n. \u00bfDesea ver la lista de errores?";

void WriteFile(const QString& path, const QByteArray& content) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(content);
}

class CurrentFolder {
 public:
  explicit CurrentFolder(const QString& path) : saved_(QDir::currentPath()) {
    QDir::setCurrent(path);
  }
  ~CurrentFolder() { QDir::setCurrent(saved_); }

 private:
  QString saved_;
};

}  // namespace

class UpdateWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void mainWindowFollowsTheDrawing();
  void progressWindowFollowsTheDrawing();
  void emptyBoxesOpenOnlyTheSourcePicker();
  void emptyDestinationIsPickedThenTheRunStarts();
  void cancelledPickerLeavesTheText();
  void runDisablesTheWindowUntilItEnds();
  void cancelEndsTheRunWithTheNoteLine_data();
  void cancelEndsTheRunWithTheNoteLine();
  void emptySourceAsksBeforeEmptyingTheCopy_data();
  void emptySourceAsksBeforeEmptyingTheCopy();
  void closeBoxDuringARun();
  void keysOfTheMainWindow_data();
  void keysOfTheMainWindow();
  void accessKeysMoveTheFocus();
  void oneFolderAtStartUp();
  void failureUnderDebugEndsTheProgram();

 private:
  QLineEdit* Box(const char* name) { return window_->findChild<QLineEdit*>(name); }
  QPushButton* Button(const char* name) { return window_->findChild<QPushButton*>(name); }
  QWidget* ProgressButton() { return windows_->ProgressWindow().findChild<QPushButton*>("cmdCancelar"); }
  void Fill() {
    Box("txtOrigen")->setText(origen_);
    Box("txtDestino")->setText(destino_);
  }

  std::unique_ptr<QTemporaryDir> tmp_;
  QString origen_;
  QString destino_;
  common::FaultInjector faults_;
  std::unique_ptr<update::Globales> g_;
  std::unique_ptr<update::QtFrontEnd> windows_;
  update::frmMain* window_ = nullptr;
};

void UpdateWindowsTest::init() {
  tmp_ = std::make_unique<QTemporaryDir>();
  QVERIFY(tmp_->isValid());
  origen_ = tmp_->filePath("origen");
  destino_ = tmp_->filePath("destino");
  QVERIFY(QDir().mkpath(origen_ + "/sub"));
  QVERIFY(QDir().mkpath(destino_));
  WriteFile(origen_ + "/a.txt", "uno");
  WriteFile(origen_ + "/sub/b.txt", "dos");
  faults_.Clear();
  g_ = std::make_unique<update::Globales>(&faults_);
  windows_ = std::make_unique<update::QtFrontEnd>(*g_);
  window_ = &windows_->ShowMainWindow("");
}

void UpdateWindowsTest::cleanup() {
  windows_.reset();
  g_.reset();
  tmp_.reset();
}

void UpdateWindowsTest::mainWindowFollowsTheDrawing() {
  QCOMPARE(window_->windowTitle(), QString("Update"));
  QCOMPARE(window_->size(), common::TwipsSize(4095, 2055));
  QVERIFY(g_->MainFormLoaded);
  QCOMPARE(Button("cmdAcercaDe")->geometry(), common::TwipsRect(120, 1560, 1212, 372));
  QCOMPARE(Button("cmdCancelar")->geometry(), common::TwipsRect(1920, 1560, 972, 372));
  QCOMPARE(Button("cmdActualizar")->geometry(), common::TwipsRect(3000, 1560, 972, 372));
  QCOMPARE(Button("cmdActualizar")->text(), QString("&Actualizar"));
  QVERIFY(Button("cmdActualizar")->isDefault());

  // Browse buttons: square, as tall as the boxes, flush with the right
  // margin, 4 pixels from their box; tops as drawn.
  for (auto [box, browse, top] : {std::tuple{"txtOrigen", "cmdExploraOrigen", 360},
                                  std::tuple{"txtDestino", "cmdExploraDestino", 1080}}) {
    const QRect b = Button(browse)->geometry();
    const QRect t = Box(box)->geometry();
    QCOMPARE(b.width(), t.height());
    QCOMPARE(b.height(), t.height());
    QCOMPARE(b.right() + 1, window_->width() - common::TwipsToPixels(120));
    QCOMPARE(b.left() - (t.right() + 1), 4);
    QCOMPARE(t.top(), common::TwipsToPixels(top));
    QCOMPARE(b.top(), common::TwipsToPixels(top));
    QVERIFY(!Button(browse)->icon().isNull());
  }

  const auto* label1 = window_->findChild<QLabel*>("Label1");
  QCOMPARE(label1->text(), QString("Carpeta &origen"));
  QCOMPARE(label1->buddy(), Box("txtOrigen"));
  QCOMPARE(window_->findChild<QLabel*>("Label2")->buddy(), Box("txtDestino"));

  QStringList order;
  for (QWidget* w = Box("txtOrigen"); order.size() < 7; w = w->nextInFocusChain()) {
    if (w->focusPolicy() & Qt::TabFocus) order << w->objectName();
  }
  QCOMPARE(order, (QStringList{"txtOrigen", "cmdExploraOrigen", "txtDestino", "cmdExploraDestino",
                               "cmdAcercaDe", "cmdCancelar", "cmdActualizar"}));
  QVERIFY2(testsupport::TextsCutOff(window_).isEmpty(),
           qPrintable(testsupport::TextsCutOff(window_).join(", ")));
}

void UpdateWindowsTest::progressWindowFollowsTheDrawing() {
  common::ProgressWindow& progress = windows_->ProgressWindow();
  QCOMPARE(progress.windowTitle(), QString("Actualizando..."));
  QCOMPARE(progress.size(), common::TwipsSize(6000, 2025));
  QCOMPARE(ProgressButton()->geometry(), common::TwipsRect(4800, 1440, 972, 372));
  progress.SetPathLabel("Preparando para actualizar...");
  progress.Open([] {});
  progress.ProcessEvents();
  QVERIFY2(testsupport::TextsCutOff(&progress).isEmpty(),
           qPrintable(testsupport::TextsCutOff(&progress).join(", ")));
  progress.Close();
}

void UpdateWindowsTest::emptyBoxesOpenOnlyTheSourcePicker() {
  ModalDriver driver;
  driver.Then([](QWidget* picker) { ClickButton(picker, "cmdCancelar"); });
  QTest::mouseClick(Button("cmdActualizar"), Qt::LeftButton);
  QCOMPARE(driver.Seen(), QStringList{"Directorio origen"});
  QCOMPARE(driver.Unexpected(), 0);
  QVERIFY(Box("txtOrigen")->text().isEmpty());
  QVERIFY(Box("txtDestino")->text().isEmpty());
}

void UpdateWindowsTest::emptyDestinationIsPickedThenTheRunStarts() {
  // The picker opens in the current folder; accepting it names the copy.
  CurrentFolder here(destino_);
  Box("txtOrigen")->setText(origen_);
  ModalDriver driver;
  driver.Then([](QWidget* picker) { ClickButton(picker, "cmdAceptar"); });
  QTest::mouseClick(Button("cmdActualizar"), Qt::LeftButton);
  QCOMPARE(driver.Seen(), QStringList{"Directorio destino"});
  QCOMPARE(Box("txtDestino")->text(), destino_);
  QVERIFY(QFile::exists(destino_ + "/a.txt"));
  QVERIFY(QFile::exists(destino_ + "/sub/b.txt"));
  QCOMPARE(driver.Unexpected(), 0);  // nothing failed: no question
}

void UpdateWindowsTest::cancelledPickerLeavesTheText() {
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

void UpdateWindowsTest::runDisablesTheWindowUntilItEnds() {
  Fill();
  bool enabledDuringRun = true;
  bool progressShown = false;
  QTimer::singleShot(0, [&] {
    enabledDuringRun = window_->isEnabled();
    progressShown = windows_->ProgressWindow().isVisible();
  });
  QTest::mouseClick(Button("cmdActualizar"), Qt::LeftButton);
  QVERIFY(!enabledDuringRun);
  QVERIFY(progressShown);
  QVERIFY(window_->isEnabled());
  QVERIFY(!windows_->ProgressWindow().isVisible());
  QCOMPARE(Box("txtOrigen")->text(), origen_);
  QCOMPARE(Box("txtDestino")->text(), destino_);
  QVERIFY(QFile::exists(destino_ + "/sub/b.txt"));
}

void UpdateWindowsTest::cancelEndsTheRunWithTheNoteLine_data() {
  QTest::addColumn<bool>("queuedDuringCount");
  QTest::newRow("clicked at the first yield") << false;
  // A click that reaches the queue while the source is being counted,
  // after the window's first yield: it must be seen before any action.
  QTest::newRow("queued during the count") << true;
}

void UpdateWindowsTest::cancelEndsTheRunWithTheNoteLine() {
  QFETCH(bool, queuedDuringCount);
  Fill();
  ModalDriver driver;
  QString question;
  QString list;
  driver.Then([&](QWidget* box) {
    question = static_cast<QMessageBox*>(box)->text();
    QCOMPARE(static_cast<QMessageBox*>(box)->icon(), QMessageBox::Warning);
    QCOMPARE(static_cast<QMessageBox*>(box)->defaultButton(),
             static_cast<QMessageBox*>(box)->button(QMessageBox::Yes));
    ClickMessageButton(box, QMessageBox::Yes);
  });
  driver.Then([&](QWidget* errors) {
    list = static_cast<common::frmErrores*>(errors)->Text();
    QTest::keyClick(errors, Qt::Key_Escape);
  });
  QWidget* cancel = ProgressButton();
  auto click = [cancel] { QTest::mouseClick(cancel, Qt::LeftButton); };
  if (queuedDuringCount) {
    // The count lists the source first; the click is queued as that listing starts.
    faults_.OnCall(common::FsOp::List, origen_.toStdString(),
                   [cancel, click] { QMetaObject::invokeMethod(cancel, click, Qt::QueuedConnection); });
  } else {
    QTimer::singleShot(0, click);
  }
  QTest::mouseClick(Button("cmdActualizar"), Qt::LeftButton);

  QCOMPARE(driver.Seen(), (QStringList{"Actualizar", "Errores"}));
  QCOMPARE(question, QString(kQuestion));
  QCOMPARE(list, QString("Cancelado por el usuario\r\n"));
  QCOMPARE(QDir(destino_).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
           QStringList{});  // no action took place
  QVERIFY(window_->isEnabled());
}

void UpdateWindowsTest::emptySourceAsksBeforeEmptyingTheCopy_data() {
  QTest::addColumn<int>("answer");
  QTest::addColumn<bool>("emptied");
  QTest::newRow("S\u00ed") << int(QMessageBox::Yes) << true;
  QTest::newRow("No") << int(QMessageBox::No) << false;
}

void UpdateWindowsTest::emptySourceAsksBeforeEmptyingTheCopy() {
  QFETCH(int, answer);
  QFETCH(bool, emptied);
  QVERIFY(QDir(origen_).removeRecursively());
  QVERIFY(QDir().mkpath(origen_));
  WriteFile(destino_ + "/viejo.txt", "v");
  Fill();
  ModalDriver driver;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool noIsDefault = false;
  driver.Then([&](QWidget* window) {
    auto* box = static_cast<QMessageBox*>(window);
    text = box->text();
    icon = box->icon();
    noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
    ClickMessageButton(window, QMessageBox::StandardButton(answer));
  });
  // Kept, the copy is a failure of the run: the usual question follows.
  if (!emptied) driver.Then([](QWidget* box) { ClickMessageButton(box, QMessageBox::No); });
  QTest::mouseClick(Button("cmdActualizar"), Qt::LeftButton);

  const QStringList seen = emptied ? QStringList{"Actualizar"} : QStringList{"Actualizar", "Actualizar"};
  QCOMPARE(driver.Seen(), seen);
  QCOMPARE(text, QString("El origen est\u00e1 vac\u00edo. \u00bfDesea borrar todo el contenido del destino?"));
  QCOMPARE(icon, QMessageBox::Warning);
  QVERIFY(noIsDefault);
  QCOMPARE(QFile::exists(destino_ + "/viejo.txt"), !emptied);
  QCOMPARE(driver.Unexpected(), 0);
}

void UpdateWindowsTest::closeBoxDuringARun() {
  Fill();
  bool progressRefused = false;
  bool mainRefused = false;
  bool acceptedAfterCancel = false;
  QTimer::singleShot(0, [&] {
    progressRefused = !CloseFromWindowSystem(&windows_->ProgressWindow());
    mainRefused = !CloseFromWindowSystem(window_);
    QTest::mouseClick(ProgressButton(), Qt::LeftButton);
    acceptedAfterCancel = CloseFromWindowSystem(&windows_->ProgressWindow());
  });
  ModalDriver driver;
  driver.Then([](QWidget* box) { ClickMessageButton(box, QMessageBox::No); });
  QTest::mouseClick(Button("cmdActualizar"), Qt::LeftButton);
  QVERIFY(progressRefused);
  QVERIFY(mainRefused);
  QVERIFY(acceptedAfterCancel);
  QCOMPARE(driver.Seen(), QStringList{"Actualizar"});
  QVERIFY(window_->isVisible());
  QVERIFY(window_->isEnabled());
  // Idle again, the main window closes like any other.
  QVERIFY(CloseFromWindowSystem(window_));
  QVERIFY(!g_->MainFormLoaded);
}

void UpdateWindowsTest::keysOfTheMainWindow_data() {
  QTest::addColumn<QString>("focus");
  QTest::addColumn<int>("key");
  QTest::addColumn<QStringList>("opened");
  QTest::addColumn<bool>("stillOpen");
  QTest::addColumn<bool>("ran");
  QTest::newRow("F1 in txtOrigen") << "txtOrigen" << int(Qt::Key_F1)
                                   << QStringList{"Acerca de Update"} << true << false;
  QTest::newRow("F1 on cmdActualizar") << "cmdActualizar" << int(Qt::Key_F1)
                                       << QStringList{"Acerca de Update"} << true << false;
  QTest::newRow("Escape in txtDestino") << "txtDestino" << int(Qt::Key_Escape) << QStringList{}
                                        << false << false;
  QTest::newRow("Enter in txtOrigen") << "txtOrigen" << int(Qt::Key_Return) << QStringList{}
                                      << true << true;
}

void UpdateWindowsTest::keysOfTheMainWindow() {
  QFETCH(QString, focus);
  QFETCH(int, key);
  QFETCH(QStringList, opened);
  QFETCH(bool, stillOpen);
  QFETCH(bool, ran);
  Fill();
  ModalDriver driver;
  for (int i = 0; i < opened.size(); ++i)
    driver.Then([](QWidget* about) { ClickButton(about, "cmdOK"); });
  QWidget* target = window_->findChild<QWidget*>(focus);
  target->setFocus();
  QTest::keyClick(target, Qt::Key(key));
  QCOMPARE(driver.Seen(), opened);
  QCOMPARE(window_->isVisible(), stillOpen);
  QCOMPARE(g_->MainFormLoaded, stillOpen);
  QCOMPARE(QFile::exists(destino_ + "/a.txt"), ran);
}

void UpdateWindowsTest::accessKeysMoveTheFocus() {
  QApplication::setActiveWindow(window_);
  QVERIFY(QTest::qWaitForWindowActive(window_));
  QTest::keyClick(window_, Qt::Key_D, Qt::AltModifier);
  QCOMPARE(QApplication::focusWidget(), Box("txtDestino"));
  QTest::keyClick(window_, Qt::Key_O, Qt::AltModifier);
  QCOMPARE(QApplication::focusWidget(), Box("txtOrigen"));
}

void UpdateWindowsTest::oneFolderAtStartUp() {
  update::frmMain& window = windows_->ShowMainWindow("/datos/fotos");
  QVERIFY(QTest::qWaitForWindowActive(&window));
  QCOMPARE(window.findChild<QLineEdit*>("txtOrigen")->text(), QString("/datos/fotos"));
  QCOMPARE(QApplication::focusWidget(), window.findChild<QLineEdit*>("txtDestino"));
  QCOMPARE(testsupport::BlinkingCursors(&window), QStringList{"txtDestino"});
}

void UpdateWindowsTest::failureUnderDebugEndsTheProgram() {
  g_->options.DebugMode = true;
  faults_.FailOn(common::FsOp::Open, "a.txt", EIO);
  Fill();
  ModalDriver driver;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  driver.Then([&](QWidget* box) {
    text = static_cast<QMessageBox*>(box)->text();
    icon = static_cast<QMessageBox*>(box)->icon();
    ClickMessageButton(box, QMessageBox::Ok);
  });
  QTest::mouseClick(Button("cmdActualizar"), Qt::LeftButton);
  QCOMPARE(driver.Seen(), QStringList{"Update"});
  QCOMPARE(icon, QMessageBox::Critical);
  // The failure's error line: number and what failed.
  QVERIFY2(text.contains(" (5) en copy \"") && text.endsWith("/destino/a.txt\""), qPrintable(text));
  QCOMPARE(window_->ExitStatus(), 3);
  QVERIFY(!window_->isVisible());
  QVERIFY(!windows_->ProgressWindow().isVisible());
  QVERIFY(!g_->MainFormLoaded);
}

QTEST_MAIN(UpdateWindowsTest)
#include "frmMain_test.moc"
