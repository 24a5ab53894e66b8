#include "SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <iostream>
#include <memory>

#include "common/platform/Process.h"

namespace {

constexpr int kHandOverTimeoutMs = 5000;
// A command line is short; a peer that sends more is cut off.
constexpr qint64 kMaxMessage = 64 * 1024;

QByteArray Encode(const QStringList& arguments) {
  QByteArray data;
  for (const QString& a : arguments) {
    data += a.toUtf8();
    data += '\0';
  }
  return data;
}

QStringList Decode(const QByteArray& data) {
  QStringList arguments;
  for (const QByteArray& part : data.split('\0')) {
    if (!part.isEmpty()) arguments << QString::fromUtf8(part);
  }
  return arguments;
}

}  // namespace

SingleInstance::SingleInstance(std::filesystem::path runtimeDir, QObject* parent)
    : QObject(parent), FDir(std::move(runtimeDir)) {}

SingleInstance::~SingleInstance() = default;

std::filesystem::path SingleInstance::LockFile() const { return FDir / "brisane-backup.lock"; }

QString SingleInstance::ServerName() const {
  return QString::fromStdString((FDir / "brisane-backup.socket").string());
}

bool SingleInstance::Acquire(const QStringList& arguments, int previousPid,
                             std::chrono::milliseconds wait) {
  FLock = std::make_unique<platform::InstanceLock>(LockFile());
  bool mine = FLock->TryLock();
  if (!mine && previousPid > 0 && previousPid != platform::CurrentProcessId()) {
    // The kernel drops the lock as the old copy ends, before its end can be observed.
    (void)platform::WaitForProcessExit(previousPid, wait);
    mine = FLock->TryLock();
  }
  if (!mine) {
    FLock.reset();
    HandOver(arguments);
    return false;
  }
  Listen();
  return true;
}

void SingleInstance::Listen() {
  FServer = new QLocalServer(this);
  FServer->setSocketOptions(QLocalServer::UserAccessOption);
  // A socket left by a copy that crashed: the lock says nobody listens on it any more.
  QLocalServer::removeServer(ServerName());
  if (!FServer->listen(ServerName())) {
    std::cerr << "Não foi possível abrir " << ServerName().toStdString() << ": "
              << FServer->errorString().toStdString() << "\n";
    return;
  }
  connect(FServer, &QLocalServer::newConnection, this, &SingleInstance::Accept);
}

void SingleInstance::Accept() {
  while (QLocalSocket* peer = FServer->nextPendingConnection()) {
    auto received = std::make_shared<QByteArray>();
    connect(peer, &QLocalSocket::readyRead, peer, [peer, received] {
      *received += peer->readAll();
      if (received->size() > kMaxMessage) peer->abort();
    });
    connect(peer, &QLocalSocket::disconnected, this, [this, peer, received] {
      *received += peer->readAll();
      peer->deleteLater();
      emit ActivationRequested(Decode(*received));
    });
  }
}

void SingleInstance::HandOver(const QStringList& arguments) const {
  QLocalSocket socket;
  socket.connectToServer(ServerName());
  if (!socket.waitForConnected(kHandOverTimeoutMs)) {
    std::cerr << "O programa já está em execução.\n";
    return;
  }
  socket.write(Encode(arguments));
  socket.waitForBytesWritten(kHandOverTimeoutMs);
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) {
    socket.waitForDisconnected(kHandOverTimeoutMs);
  }
}
