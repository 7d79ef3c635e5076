#pragma once
// One running application per user: a second launch hands its files to the
// first over a local socket and ends.
#include <QLocalServer>
#include <QObject>
#include <QStringList>

namespace vq::app {

class VQSingleInstance : public QObject {
  Q_OBJECT
 public:
  explicit VQSingleInstance(const QString& name, QObject* parent = nullptr);
  // The socket name of the current user's instance.
  static QString defaultName();
  // True when another instance took the files (absolute paths); then this
  // process should end.
  bool sendToRunningInstance(const QStringList& files);
  // Becomes the running instance; false when the socket cannot be made.
  bool listen();

 signals:
  void filesReceived(const QStringList& files);

 private:
  void readClient(class QLocalSocket* socket);
  QString name_;
  QLocalServer server_;
};

}  // namespace vq::app
