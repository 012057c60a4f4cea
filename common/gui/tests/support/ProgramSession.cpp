#include "common/gui/tests/support/ProgramSession.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace testsupport {

ProgramSession::ProgramSession()
    : origen(tmp.filePath("origen")), destino(tmp.filePath("destino")) {
  QVERIFY(tmp.isValid());
  QVERIFY(QDir().mkpath(origen + "/sub"));
  QVERIFY(QDir().mkpath(destino));
  WriteFile(origen + "/a.txt", "uno");
  WriteFile(origen + "/sub/b.txt", "dos");
}

QPushButton* ProgramSession::ProgressButton() {
  return Windows().ProgressWindow().findChild<QPushButton*>("cmdCancelar");
}

void ProgramSession::Fill() {
  Box("txtOrigen")->setText(origen);
  Box("txtDestino")->setText(destino);
}

void WriteFile(const QString& path, const QByteArray& content) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(content);
}

CurrentFolder::CurrentFolder(const QString& path) : saved_(QDir::currentPath()) {
  QDir::setCurrent(path);
}

CurrentFolder::~CurrentFolder() { QDir::setCurrent(saved_); }

}  // namespace testsupport
