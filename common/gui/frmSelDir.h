#pragma once
// frmSelDir: the small modal folder picker. A drive list (the mounted
// volumes) above a folder list (folders only, opened by double-click), with
// OK and Cancel. SelDir returns the folder that is open in the list, not the
// one merely highlighted, or "" when the user cancelled.

#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class QPushButton;
class QListWidget;
class QListWidgetItem;

namespace common {

class frmSelDir : public QDialog {
  Q_OBJECT

 public:
  // volumes: the roots the drive list offers; by default the mounted ones.
  explicit frmSelDir(QWidget* owner = nullptr, QStringList volumes = MountedVolumes());

  // The mounted volumes a user can pick from, the root first.
  static QStringList MountedVolumes();

  // Opens the picker in start (the program's own folder when start cannot
  // be opened) and waits until it closes. The caller sets the title first.
  QString SelDir(const QString& start);

  QString DirPath() const { return dirPath_; }  // the folder open in the list
  QString Drive() const;                        // the root the drive list shows

 private:
  // Both run Drive1_Change / rebuild the list as a choice of the user does.
  bool SetDrive(const QString& root);
  bool SetDirPath(const QString& path);
  QString DriveOf(const QString& absolutePath) const;
  void FillFolderList();

  void Drive1_Change(int index);
  void Dir1_DblClick(QListWidgetItem* item);
  void cmdAceptar_Click();
  void cmdCancelar_Click();

  QComboBox* Drive1;
  QLabel* Label1;
  QListWidget* Dir1;
  QPushButton* cmdAceptar;
  QPushButton* cmdCancelar;

  QStringList volumes_;
  QString dirPath_;
  QString result_;
  QString lastGoodDrive_;
};

}  // namespace common
