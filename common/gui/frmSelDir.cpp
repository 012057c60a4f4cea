#include "common/gui/frmSelDir.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>
#include <QListWidget>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

#include "common/gui/FormLayout.h"
#include "common/gui/MessageBox.h"

namespace common {

namespace {

bool IsUnder(const QString& path, const QString& root) {
  if (root == QStringLiteral("/")) return path.startsWith(u'/');
  return path == root || path.startsWith(root + u'/');
}

QString Absolute(const QString& path) {
  return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

// Mounts that are part of the system rather than places to keep files.
bool IsSystemMount(const QStorageInfo& volume) {
  const QString root = volume.rootPath();
  if (volume.fileSystemType() == "squashfs") return true;  // snap and live images
  for (const char* prefix : {"/proc", "/sys", "/dev", "/snap", "/var/snap"}) {
    if (IsUnder(root, QString::fromLatin1(prefix))) return true;
  }
  // Under /run only the removable drives that udisks mounts are wanted.
  return IsUnder(root, QStringLiteral("/run")) && !IsUnder(root, QStringLiteral("/run/media"));
}

// The folder list is a flat list indented like a tree: the open folder's
// ancestors, then the folder, then its subfolders one step further in.
constexpr int kLevelRole = Qt::UserRole + 1;
constexpr int kIndent = 8;

class IndentDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem indented = option;
    indented.rect.adjust(index.data(kLevelRole).toInt() * kIndent, 0, 0, 0);
    QStyledItemDelegate::paint(painter, indented, index);
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.rwidth() += index.data(kLevelRole).toInt() * kIndent;
    return size;
  }
};

QString DriveCaption(const QString& root) {
  QStorageInfo info(root);
  QString name = info.isValid() ? info.name() : QString();
  return name.isEmpty() || name == root ? root : root + QStringLiteral("  [") + name + u']';
}

}  // namespace

QStringList frmSelDir::MountedVolumes() {
  QStringList roots;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (!volume.isValid() || !volume.isReady() || IsSystemMount(volume)) continue;
    // Bind mounts of single files (containers) are no place to pick a folder.
    if (!QFileInfo(volume.rootPath()).isDir()) continue;
    if (!roots.contains(volume.rootPath())) roots << volume.rootPath();
  }
  std::sort(roots.begin(), roots.end(), [](const QString& a, const QString& b) {
    if (a == QStringLiteral("/") || b == QStringLiteral("/")) return a == QStringLiteral("/") && b != a;
    return a < b;
  });
  return roots;
}

frmSelDir::frmSelDir(QWidget* owner, QStringList volumes)
    : QDialog(owner), volumes_(std::move(volumes)) {
  setObjectName(QStringLiteral("frmSelDir"));
  setWindowTitle(QStringLiteral("Form1"));
  setFont(FormFont());
  MakeFixedDialog(this, TwipsSize(2775, 2895), WindowKind::Owned);

  Drive1 = AddControl<QComboBox>(this, "Drive1", TwipsRect(120, 360, 2532, 315));
  for (const QString& root : volumes_) Drive1->addItem(DriveCaption(root), root);
  Drive1->setCurrentIndex(-1);
  // Long mount paths stay readable in the open list.
  Drive1->view()->setMinimumWidth(Drive1->view()->sizeHintForColumn(0) + 8);

  Label1 = AddControl<QLabel>(this, "Label1", TwipsRect(120, 120, 2412, 252),
                              QStringLiteral("Seleccione una carpeta."));

  Dir1 = AddControl<QListWidget>(this, "Dir1", TwipsRect(120, 720, 2532, 1440));
  Dir1->setItemDelegate(new IndentDelegate(Dir1));
  Dir1->setIconSize(QSize(16, 16));
  Dir1->setUniformItemSizes(false);

  cmdAceptar = AddControl<QPushButton>(this, "cmdAceptar", TwipsRect(1440, 2400, 1212, 372),
                                       QStringLiteral("&Aceptar"));
  cmdAceptar->setDefault(true);

  cmdCancelar = AddControl<QPushButton>(this, "cmdCancelar", TwipsRect(120, 2400, 1212, 372),
                                        QStringLiteral("&Cancelar"));

  setTabOrder(Drive1, Dir1);
  setTabOrder(Dir1, cmdAceptar);
  setTabOrder(cmdAceptar, cmdCancelar);

  connect(Drive1, &QComboBox::currentIndexChanged, this, &frmSelDir::Drive1_Change);
  connect(Dir1, &QListWidget::itemDoubleClicked, this, &frmSelDir::Dir1_DblClick);
  connect(cmdAceptar, &QPushButton::clicked, this, &frmSelDir::cmdAceptar_Click);
  connect(cmdCancelar, &QPushButton::clicked, this, &frmSelDir::cmdCancelar_Click);
}

QString frmSelDir::Drive() const { return Drive1->currentData().toString(); }

QString frmSelDir::SelDir(const QString& start) {
  const QString own = QCoreApplication::applicationDirPath();
  const QString wanted = Absolute(start);
  // A relative start folder lies on the drive of the current folder.
  const QString drive =
      QDir::isAbsolutePath(start) ? DriveOf(wanted) : DriveOf(QDir::currentPath());
  // The program's own folder stands in for a start folder that cannot be
  // opened, as for one whose drive is missing or unreadable.
  if (!SetDrive(drive) || !SetDirPath(wanted)) {
    SetDrive(DriveOf(own));
    SetDirPath(own);
  }
  lastGoodDrive_ = Drive();
  result_.clear();

  CentreOnOwner(this, parentWidget());
  Dir1->setFocus();
  exec();
  return result_;
}

bool frmSelDir::SetDrive(const QString& root) {
  int index = root.isEmpty() ? -1 : Drive1->findData(root);
  if (index < 0) return false;
  if (index == Drive1->currentIndex()) {
    Drive1_Change(index);
  } else {
    Drive1->setCurrentIndex(index);  // runs Drive1_Change
  }
  return true;
}

QString frmSelDir::DriveOf(const QString& absolutePath) const {
  // The volume that holds the path; for a path that does not exist, the
  // listed root that is the longest prefix of it.
  QStorageInfo info(absolutePath);
  if (info.isValid() && volumes_.contains(info.rootPath()) && IsUnder(absolutePath, info.rootPath()))
    return info.rootPath();
  QString best;
  for (const QString& root : volumes_) {
    if (IsUnder(absolutePath, root) && root.size() > best.size()) best = root;
  }
  return best;
}

bool frmSelDir::SetDirPath(const QString& path) {
  const QString folder = Absolute(path);
  QFileInfo info(folder);
  if (!info.isDir() || !info.isReadable() || !info.isExecutable()) return false;
  dirPath_ = folder;
  FillFolderList();
  return true;
}

void frmSelDir::FillFolderList() {
  Dir1->clear();
  const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
  auto add = [&](const QString& text, const QString& path, int level, const QIcon& icon) {
    auto* item = new QListWidgetItem(icon, text, Dir1);
    item->setData(Qt::UserRole, path);
    item->setData(kLevelRole, level);
    return item;
  };

  // The open folder's ancestors from the drive's root down, then its subfolders.
  QString top = Drive();
  if (top.isEmpty() || !IsUnder(dirPath_, top)) top = QStringLiteral("/");
  QListWidgetItem* open = add(top, top, 0, openIcon);
  int level = 0;
  QString walked = top;
  const QString rest = dirPath_.mid(top == QStringLiteral("/") ? 1 : top.size() + 1);
  for (const QString& part : rest.split(u'/', Qt::SkipEmptyParts)) {
    walked = walked == QStringLiteral("/") ? walked + part : walked + u'/' + part;
    open = add(part, walked, ++level, openIcon);
  }

  // Dot-folders too: both programs treat them like any other folder.
  const QDir dir(dirPath_);
  const QStringList names =
      dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
  for (const QString& name : names) add(name, dir.filePath(name), level + 1, closedIcon);

  Dir1->setCurrentItem(open);
  // The open folder near the top, with its parent above it and as many of
  // its subfolders as fit below.
  const int row = Dir1->row(open);
  Dir1->scrollToItem(Dir1->item(row > 0 ? row - 1 : row), QAbstractItemView::PositionAtTop);
}

void frmSelDir::Drive1_Change(int index) {
  const QString root = Drive1->itemData(index).toString();
  if (!root.isEmpty() && SetDirPath(root)) {
    lastGoodDrive_ = root;
    return;
  }
  {
    // Back to the last drive that could be read, leaving the folder list alone.
    QSignalBlocker block(Drive1);
    Drive1->setCurrentIndex(lastGoodDrive_.isEmpty() ? -1 : Drive1->findData(lastGoodDrive_));
  }
  ShowInformation(this, windowTitle(), QStringLiteral("No se tiene acceso a la unidad seleccionada."));
}

void frmSelDir::Dir1_DblClick(QListWidgetItem* item) {
  if (!item) return;
  const QString path = item->data(Qt::UserRole).toString();
  if (path == dirPath_) return;
  if (!SetDirPath(path)) QApplication::beep();
}

void frmSelDir::cmdAceptar_Click() {
  result_ = dirPath_;
  accept();
}

void frmSelDir::cmdCancelar_Click() { reject(); }

}  // namespace common
