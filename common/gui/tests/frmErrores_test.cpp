// The error list window: its text, its keys and its resizing.

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTest>

#include "common/gui/FormLayout.h"
#include "common/gui/frmErrores.h"
#include "common/gui/tests/support/ModalDriver.h"

using testsupport::ModalDriver;

class frmErroresTest : public QObject {
  Q_OBJECT

 private slots:
  void textEndsEveryLineWithCrLf_data();
  void textEndsEveryLineWithCrLf();
  void boxShowsTheLinesAndEscapeCloses();
  void sizeAsDrawnAndTheTextBoxFillsIt();
};

void frmErroresTest::textEndsEveryLineWithCrLf_data() {
  QTest::addColumn<std::vector<std::string>>("lines");
  QTest::addColumn<QString>("text");
  QTest::newRow("none") << std::vector<std::string>{} << QString();
  QTest::newRow("three in order")
      << std::vector<std::string>{"Falta archivo de destino: \"/b/x\"", "Cancelado por el usuario",
                                  "Permiso denegado (13) en copy \"/a/y\" \"/b/y\""}
      << QString("Falta archivo de destino: \"/b/x\"\r\nCancelado por el usuario\r\n"
                 "Permiso denegado (13) en copy \"/a/y\" \"/b/y\"\r\n");
  QTest::newRow("an empty line stays a line") << std::vector<std::string>{"", "b"}
                                              << QString("\r\nb\r\n");
  QTest::newRow("UTF-8 names") << std::vector<std::string>{"A\xc3\xb1o \xe2\x82\xac"}
                               << QString("A\u00f1o \u20ac\r\n");
}

void frmErroresTest::textEndsEveryLineWithCrLf() {
  QFETCH(std::vector<std::string>, lines);
  QFETCH(QString, text);
  common::frmErrores window(lines);
  QCOMPARE(window.Text(), text);
}

void frmErroresTest::boxShowsTheLinesAndEscapeCloses() {
  std::vector<std::string> lines;
  for (int i = 0; i < 1500; ++i) lines.push_back("linea " + std::to_string(i));
  common::frmErrores window(lines);
  auto* box = window.findChild<QPlainTextEdit*>("Text1");
  QVERIFY(box);
  // The window shows every line it is given (the caller applies any limit).
  QCOMPARE(box->document()->blockCount(), 1501);
  QCOMPARE(box->document()->findBlockByNumber(0).text(), QString("linea 0"));
  QCOMPARE(box->document()->findBlockByNumber(1499).text(), QString("linea 1499"));
  QVERIFY(box->isReadOnly());

  // Escape closes the window from the text box.
  ModalDriver driver;
  driver.Then([box](QWidget*) {
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Escape);
  });
  window.exec();
  QCOMPARE(driver.Seen(), QStringList{"Errores"});
  QCOMPARE(driver.Unexpected(), 0);
}

void frmErroresTest::sizeAsDrawnAndTheTextBoxFillsIt() {
  common::frmErrores window({"uno"});
  QCOMPARE(window.windowTitle(), QString("Errores"));
  QCOMPARE(window.size(), common::TwipsSize(6015, 3135));
  QVERIFY(window.windowFlags() & Qt::WindowMaximizeButtonHint);
  QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
  window.show();
  auto* box = window.findChild<QPlainTextEdit*>("Text1");
  for (QSize size : {QSize(640, 480), QSize(250, 120), QSize(1, 1)}) {
    window.resize(size);
    QCoreApplication::processEvents();
    QCOMPARE(box->geometry(), window.rect());
  }
}

QTEST_MAIN(frmErroresTest)
#include "frmErrores_test.moc"
