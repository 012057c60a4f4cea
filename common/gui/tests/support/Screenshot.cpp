#include "common/gui/tests/support/Screenshot.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <cstdio>

#include "common/gui/FolderPairForm.h"
#include "common/gui/FormLayout.h"
#include "common/gui/ProgressWindow.h"
#include "common/gui/tests/support/ModalDriver.h"

namespace testsupport {

bool SaveScreenshot(QWidget* window, const QString& folder, const QString& name) {
  if (!QTest::qWaitForWindowExposed(window)) return false;
  // Let the last repaint reach the server.
  for (int i = 0; i < 5; ++i) {
    QCoreApplication::processEvents();
    QTest::qWait(20);
  }
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  const QRect area = window->frameGeometry();
  const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());

  // A window manager draws the title bar; without one a strip stands in for it.
  QPixmap framed = shot;
  if (area == window->geometry()) {
    const int strip = 22;
    framed = QPixmap(shot.width() + 2, shot.height() + strip + 1);
    framed.fill(QColor(60, 60, 60));
    QPainter p(&framed);
    p.fillRect(QRect(1, 1, shot.width(), strip - 1), QColor(40, 70, 130));
    p.setPen(Qt::white);
    QFont font = window->font();
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(8, 1, shot.width() - 8, strip - 1), Qt::AlignVCenter | Qt::AlignLeft,
               window->windowTitle());
    p.drawPixmap(1, strip, shot);
  }
  QDir().mkpath(folder);
  const QString file = QDir(folder).filePath(name);
  const bool saved = framed.save(file, "PNG");
  std::printf("%s %s\n", saved ? "guardada" : "NO guardada", qPrintable(file));
  return saved;
}

ScreenshotRun::ScreenshotRun(int& argc, char** argv, const char* program)
    : app_(argc, argv), program_(program) {
  QApplication::setFont(common::FormFont());
  if (argc == 2)
    out_ = QString::fromLocal8Bit(argv[1]);
  else
    std::fprintf(stderr, "uso: %s <carpeta>\n", program_);
}

void ScreenshotRun::Save(QWidget* window, const char* name) {
  if (!SaveScreenshot(window, out_, QString::fromLatin1(name))) ++failures_;
}

void ScreenshotRun::CancelHalfWay(common::ProgressWindow& progress, std::function<void()> shoot) {
  auto* halfWay = new QTimer(&progress);
  QObject::connect(halfWay, &QTimer::timeout, [halfWay, &progress, shoot] {
    if (progress.Bar() < 40) return;
    halfWay->deleteLater();
    halfWay->stop();
    shoot();
    QTest::mouseClick(progress.findChild<QPushButton*>("cmdCancelar"), Qt::LeftButton);
  });
  halfWay->start(0);
}

void ScreenshotRun::AboutAndACancelledRun(common::FolderPairForm& main,
                                          common::ProgressWindow& progress, ModalDriver& driver,
                                          const char* prefix, std::function<void()> shoot) {
  auto save = [this, prefix](QWidget* window, const char* name) {
    Save(window, QStringLiteral("%1-%2.png").arg(prefix, name).toUtf8().constData());
  };
  driver.Then([&](QWidget* about) {
    save(about, "frmAbout");
    ClickButton(about, "cmdOK");
  });
  QTest::keyClick(main.findChild<QLineEdit*>("txtOrigen"), Qt::Key_F1);

  CancelHalfWay(progress, std::move(shoot));
  driver.Then([&](QWidget* question) {
    save(question, "question");
    ClickMessageButton(question, QMessageBox::Yes);
  });
  driver.Then([&](QWidget* errors) {
    save(errors, "frmErrores");
    QTest::keyClick(errors, Qt::Key_Escape);
  });
  // The run button is the window's default button.
  for (auto* button : main.findChildren<QPushButton*>())
    if (button->isDefault()) QTest::mouseClick(button, Qt::LeftButton);
}

int ScreenshotRun::ExitStatus(const ModalDriver& driver) {
  if (driver.Pending() > 0 || driver.Unexpected() > 0) {
    std::fprintf(stderr, "%s: faltan ventanas por mostrar\n", program_);
    ++failures_;
  }
  return failures_ == 0 ? 0 : 1;
}

}  // namespace testsupport
