#include "common/gui/frmAbout.h"

#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOptionButton>
#include <climits>

#include "common/gui/FormLayout.h"
#include "common/gui/MessageBox.h"

namespace common {

namespace {

const char kDisclaimer[] =
    "$. Esta utilidad se distribuye sin garant\u00eda alguna; su autor no responde de ning\u00fan "
    "da\u00f1o causado directa o indirectamente por su uso.";

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

// Height the text needs when wrapped to the label's width.
int WrappedHeight(const QLabel* label) {
  return label->fontMetrics()
      .boundingRect(QRect(0, 0, label->width(), INT_MAX), Qt::TextWordWrap, label->text())
      .height();
}

}  // namespace

frmAbout::frmAbout(AboutInfo info, QWidget* owner) : QDialog(owner), info_(std::move(info)) {
  setObjectName(QStringLiteral("frmAbout"));
  setFont(FormFont());
  MakeFixedDialog(this, TwipsSize(5940, 3555), WindowKind::Owned);

  cmdOK = AddControl<QPushButton>(this, "cmdOK", TwipsRect(4320, 2625, 1500, 345),
                                  QStringLiteral("Aceptar"));
  cmdOK->setDefault(true);

  picIcon = AddControl<QLabel>(this, "picIcon", TwipsRect(240, 240, 540, 540));
  picIcon->setAlignment(Qt::AlignCenter);
  picIcon->setPixmap(info_.icon.pixmap(32, 32));

  cmdSysInfo = AddControl<QPushButton>(this, "cmdSysInfo", TwipsRect(4320, 3075, 1485, 345),
                                       QStringLiteral("&Info. del sistema..."));

  lblDescription = MakeLabel(this, "lblDescription", info_.description,
                             TwipsRect(1050, 1125, 3885, 1170));
  lblDescription->setWordWrap(true);
  QString disclaimer = QString::fromUtf8(kDisclaimer);
  disclaimer.replace(u'$', info_.legalNotice);
  lblDisclaimer = MakeLabel(this, "lblDisclaimer", disclaimer, TwipsRect(240, 2625, 3975, 825));
  lblDisclaimer->setWordWrap(true);
  lblTitle = MakeLabel(this, "lblTitle", info_.title, TwipsRect(1050, 240, 3885, 480));
  QFont titleFont = font();
  titleFont.setPointSizeF(12);
  titleFont.setBold(true);
  lblTitle->setFont(titleFont);
  lblVersion = MakeLabel(this, "lblVersion",
                         QStringLiteral("Versi\u00f3n %1.%2.%3")
                             .arg(info_.major)
                             .arg(info_.minor)
                             .arg(info_.revision),
                         TwipsRect(1050, 780, 3885, 225));

  setWindowTitle(QStringLiteral("Acerca de ") + info_.title);

  setTabOrder(cmdOK, cmdSysInfo);
  connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

  FitTexts();
  CentreOnOwner(this, owner);
}

void frmAbout::FitTexts() {
  // A system font wider than Tahoma must not cut the button's caption: the
  // button grows to the left and the disclaimer beside it gives way.
  QStyleOptionButton option;
  option.initFrom(cmdSysInfo);
  option.text = cmdSysInfo->text();
  option.rect = cmdSysInfo->rect();
  const int room =
      style()->subElementRect(QStyle::SE_PushButtonContents, &option, cmdSysInfo).width();
  const int needed = cmdSysInfo->fontMetrics().horizontalAdvance(VisibleText(cmdSysInfo->text())) + 4;
  if (needed > room) {
    const int extra = needed - room;
    cmdSysInfo->setGeometry(cmdSysInfo->geometry().adjusted(-extra, 0, 0, 0));
    // OK keeps its left edge in line with it.
    if (cmdOK->x() > cmdSysInfo->x())
      cmdOK->setGeometry(cmdOK->geometry().adjusted(cmdSysInfo->x() - cmdOK->x(), 0, 0, 0));
    const int right = cmdSysInfo->x() - TwipsToPixels(105);
    lblDisclaimer->resize(right - lblDisclaimer->x(), lblDisclaimer->height());
  }
  // And a disclaimer that still needs more lines makes the window taller.
  const int lacking = WrappedHeight(lblDisclaimer) - lblDisclaimer->height();
  if (lacking > 0) {
    lblDisclaimer->resize(lblDisclaimer->width(), lblDisclaimer->height() + lacking);
    setFixedSize(width(), height() + lacking);
  }
}

QStringList frmAbout::SysInfoTools() {
  return {QStringLiteral("hardinfo2"),          QStringLiteral("hardinfo"),
          QStringLiteral("kinfocenter"),        QStringLiteral("gnome-system-monitor"),
          QStringLiteral("mate-system-monitor"), QStringLiteral("xfce4-taskmanager")};
}

void frmAbout::StartSysInfo() {
  for (const QString& tool : SysInfoTools()) {
    const QString path = QStandardPaths::findExecutable(tool);
    if (path.isEmpty()) continue;
    if (QProcess::startDetached(path, {})) return;
    break;  // the tool is there but does not start: the same message
  }
  ShowMessageBox(this, QMessageBox::NoIcon, info_.title,
                 QStringLiteral("La informaci\u00f3n del sistema no est\u00e1 disponible en este momento"),
                 QMessageBox::Ok, QMessageBox::Ok);
}

void frmAbout::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  // An etched separator: a grey line with a white one just below it.
  QPainter painter(this);
  painter.setPen(QPen(QColor(128, 128, 128), 1));
  painter.drawLine(QPoint(TwipsToPixels(90), TwipsToPixels(2445)),
                   QPoint(TwipsToPixels(5654), TwipsToPixels(2445)));
  painter.setPen(QPen(Qt::white, 2));
  painter.drawLine(QPoint(TwipsToPixels(105), TwipsToPixels(2460) + 1),
                   QPoint(TwipsToPixels(5654), TwipsToPixels(2460) + 1));
}

}  // namespace common
