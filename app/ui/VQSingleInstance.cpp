#include "ui/VQSingleInstance.h"

#include <unistd.h>

#include <QLocalSocket>

namespace vq::app {

VQSingleInstance::VQSingleInstance(const QString& name, QObject* parent) : QObject(parent), name_(name) {
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readChannelFinished, this, [this, socket] { readClient(socket); });
    }
  });
}

QString VQSingleInstance::defaultName() { return QString("vellumate-%1").arg(::getuid()); }

bool VQSingleInstance::sendToRunningInstance(const QStringList& files) {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(1000)) return false;
  // One path a line; an empty message just brings the window forward.
  socket.write(files.join('\n').toUtf8());
  socket.flush();
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(2000);
  return true;
}

bool VQSingleInstance::listen() {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  if (server_.listen(name_)) return true;
  // A socket left by an instance that crashed: nobody answers, so take its place.
  QLocalServer::removeServer(name_);
  return server_.listen(name_);
}

void VQSingleInstance::readClient(QLocalSocket* socket) {
  const QString text = QString::fromUtf8(socket->readAll());
  QStringList files;
  for (const QString& line : text.split('\n'))
    if (!line.isEmpty()) files << line;
  emit filesReceived(files);
}

}  // namespace vq::app
