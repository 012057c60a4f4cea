// The progress window as an engine drives it: bar and labels, Cancelar in
// its three forms (click, Escape or Enter, Ctrl+C), the close box, and the
// main window that stays disabled for the whole run.

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <csignal>

#include "common/gui/FormLayout.h"
#include "common/gui/ProgressWindow.h"
#include "common/gui/tests/support/DataRows.h"
#include "common/gui/tests/support/WindowChecks.h"

namespace {

common::ProgressLayout TestLayout() {
  using common::TwipsRect;
  return {.caption = "Trabajando...", .client = common::TwipsSize(6000, 2025),
          .picture = TwipsRect(120, 120, 612, 612), .file = TwipsRect(120, 840, 5652, 252),
          .path = TwipsRect(120, 1080, 5652, 252), .bar = TwipsRect(120, 1440, 4575, 255),
          .cancel = TwipsRect(4800, 1440, 972, 372)};
}

// An engine's way of using the view: open, yield until cancelled (the
// cancel handler records a note and disables the button, as the engines
// do), close. The time limit only keeps a broken window from hanging CI.
struct FakeRun {
  common::ProgressView& view;
  int notes = 0;
  bool cancelled = false;

  void Open() {
    view.Open([this] {
      ++notes;
      view.DisableCancel();
      cancelled = true;
    });
  }
  void YieldUntilCancelled() {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!cancelled && std::chrono::steady_clock::now() < limit) view.ProcessEvents();
  }
};

}  // namespace

class ProgressWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void runDisablesTheMainWindowOnlyWhenLoaded_data();
  void runDisablesTheMainWindowOnlyWhenLoaded();
  void barKeepsTenthsOfAPercent_data();
  void barKeepsTenthsOfAPercent();
  void labelsShowTheLatestTexts();
  void cancelIsRecordedOnce_data();
  void cancelIsRecordedOnce();

 private:
  std::unique_ptr<QWidget> main_;
  bool loaded_ = true;
  std::unique_ptr<common::ProgressWindow> window_;
};

void ProgressWindowTest::init() {
  main_ = std::make_unique<QWidget>();
  main_->show();
  loaded_ = true;
  window_ = std::make_unique<common::ProgressWindow>(TestLayout(), QIcon());
  window_->SetMainWindow(main_.get(), [this] { return loaded_; });
}

void ProgressWindowTest::cleanup() {
  window_.reset();
  main_.reset();
}

void ProgressWindowTest::runDisablesTheMainWindowOnlyWhenLoaded_data() {
  testsupport::Rows<bool>("loaded", {{"main window loaded", true}, {"command-line run", false}});
}

void ProgressWindowTest::runDisablesTheMainWindowOnlyWhenLoaded() {
  QFETCH(bool, loaded);
  loaded_ = loaded;
  FakeRun run{*window_};
  run.Open();
  window_->ProcessEvents();
  QVERIFY(window_->isVisible());
  QCOMPARE(main_->isEnabled(), !loaded);
  window_->Close();  // the end of a run that was not cancelled: never refused
  QVERIFY(!window_->isVisible());
  QVERIFY(main_->isEnabled());
  QCOMPARE(run.notes, 0);
}

void ProgressWindowTest::barKeepsTenthsOfAPercent_data() {
  QTest::addColumn<float>("percent");
  QTest::addColumn<float>("kept");
  QTest::addColumn<int>("shown");
  QTest::newRow("one of three") << 100.0f / 3 << 100.0f / 3 << 333;
  QTest::newRow("two of three") << 200.0f / 3 << 200.0f / 3 << 667;
  QTest::newRow("a tenth") << 0.1f << 0.1f << 1;
  QTest::newRow("above 100") << 250.0f << 100.0f << 1000;
  QTest::newRow("below 0") << -3.0f << 0.0f << 0;
  QTest::newRow("not a number keeps the bar") << std::nanf("") << 50.0f << 500;
}

void ProgressWindowTest::barKeepsTenthsOfAPercent() {
  QFETCH(float, percent);
  QFETCH(float, kept);
  QFETCH(int, shown);
  FakeRun run{*window_};
  run.Open();
  window_->SetBar(50);
  window_->SetBar(percent);
  window_->ProcessEvents();
  // The engine compares with the exact value it set, not a rounded one.
  QCOMPARE(window_->Bar(), kept);
  QCOMPARE(window_->findChild<QProgressBar*>("pbBarra")->value(), shown);
  window_->Close();
}

void ProgressWindowTest::labelsShowTheLatestTexts() {
  FakeRun run{*window_};
  run.Open();
  auto* file = window_->findChild<QLabel*>("lblFile");
  auto* path = window_->findChild<QLabel*>("lblPath");
  window_->SetPathLabel("Preparando para actualizar...");
  window_->SetFileLabel("");
  window_->ProcessEvents();
  QCOMPARE(path->text(), QString("Preparando para actualizar..."));
  QCOMPARE(file->text(), QString());

  // A file name is shown at once: its copy may take long.
  window_->SetPathLabel("Comparando fotos");
  window_->SetFileLabel("a\xc3\xb1o.jpg");
  window_->ProcessEvents();
  QCOMPARE(file->text(), QString("a\u00f1o.jpg"));
  QCOMPARE(path->text(), QString("Comparando fotos"));

  // A name wider than the label is shortened in the middle, never cut off.
  const std::string longName(400, 'x');
  window_->SetFileLabel(longName + "fin");
  window_->ProcessEvents();
  QVERIFY(file->text().endsWith("fin"));
  QVERIFY(file->text().contains(QChar(0x2026)));
  QVERIFY(file->fontMetrics().horizontalAdvance(file->text()) <= file->width());
  window_->Close();
}

void ProgressWindowTest::cancelIsRecordedOnce_data() {
  testsupport::Rows<QString>("how", {{"two clicks", "click"}, {"Escape", "escape"}, {"Enter", "enter"},
                                     {"Ctrl+C", "interrupt"}});
}

void ProgressWindowTest::cancelIsRecordedOnce() {
  QFETCH(QString, how);
  struct sigaction before {};
  sigaction(SIGINT, nullptr, &before);
  FakeRun run{*window_};
  auto* button = window_->findChild<QPushButton*>("cmdCancelar");
  bool closeBoxRefused = false;
  QTimer::singleShot(0, [&] {
    closeBoxRefused = !testsupport::CloseFromWindowSystem(window_.get());
    if (how == "click") {
      QTest::mouseClick(button, Qt::LeftButton);
      QTest::mouseClick(button, Qt::LeftButton);  // disabled by now
    }
    if (how == "escape") QTest::keyClick(window_.get(), Qt::Key_Escape);
    if (how == "enter") QTest::keyClick(window_.get(), Qt::Key_Return);
    if (how == "interrupt") std::raise(SIGINT);
  });
  run.Open();
  QVERIFY(button->isEnabled());
  run.YieldUntilCancelled();
  QVERIFY(closeBoxRefused);
  QCOMPARE(run.notes, 1);
  QVERIFY(!button->isEnabled());
  QVERIFY(window_->Cancelled());
  // Cancelar does not close the window: the engine or, once cancelled, the
  // close box does.
  QVERIFY(window_->isVisible());
  QVERIFY(testsupport::CloseFromWindowSystem(window_.get()));
  QVERIFY(main_->isEnabled());
  window_->Close();
  // The SIGINT handler is the program's own only during the run.
  struct sigaction after {};
  sigaction(SIGINT, nullptr, &after);
  QVERIFY(after.sa_handler == before.sa_handler);

  // The next run starts with the button enabled again.
  FakeRun next{*window_};
  next.Open();
  QVERIFY(button->isEnabled());
  QVERIFY(!window_->Cancelled());
  window_->Close();
}

QTEST_MAIN(ProgressWindowTest)
#include "ProgressWindow_test.moc"
