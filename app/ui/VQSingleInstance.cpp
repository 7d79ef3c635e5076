#include "ui/VQSingleInstance.h"

#include <unistd.h>

#include <QFile>
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
  // Each path as the file system spells it, ended by a NUL: the one byte no
  // file name holds (a newline can be part of one). An empty message just
  // brings the window forward.
  QByteArray message;
  for (const QString& file : files) message += QFile::encodeName(file) + '\0';
  socket.write(message);
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
  QStringList files;
  for (const QByteArray& name : socket->readAll().split('\0'))
    if (!name.isEmpty()) files << QFile::decodeName(name);
  emit filesReceived(files);
}

}  // namespace vq::app
