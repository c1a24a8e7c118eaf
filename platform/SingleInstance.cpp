#include "platform/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace {

constexpr char kTaken = '1';
constexpr int kLockWaitMs = 10000;
constexpr qint64 kLongestRequest = 64 * 1024;

} // namespace

SingleInstance::SingleInstance(const QString& socketPath, QObject* parent)
    : QObject(parent), m_path(socketPath), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::Accept);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultSocketPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/quillmark.socket");
}

bool SingleInstance::Listening() const {
    return m_server->isListening();
}

SingleInstance::Role SingleInstance::Claim(const QString& request, int answerLimitMs) {
    // Two programs started together must not both find no server and both listen.
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QLockFile lock(m_path + QStringLiteral(".lock"));
    lock.tryLock(kLockWaitMs);

    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (socket.waitForConnected(answerLimitMs)) {
        socket.write(request.toUtf8() + '\n');
        socket.flush();
        while (socket.bytesAvailable() == 0 && socket.waitForReadyRead(answerLimitMs)) {
        }
        const bool taken = socket.read(1) == QByteArray(1, kTaken);
        socket.disconnectFromServer();
        return taken ? Role::HandedOver : Role::NotAnswering;
    }
    // Nobody listens: whatever lies there is left over from a program that ended badly.
    QLocalServer::removeServer(m_path);
    m_server->listen(m_path);
    return Role::First;
}

void SingleInstance::Accept() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Serve(socket); });
        if (socket->bytesAvailable() > 0)
            Serve(socket);
    }
}

void SingleInstance::Serve(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        // A request is one path; anything longer is not one of ours.
        if (socket->bytesAvailable() > kLongestRequest)
            socket->abort();
        return;
    }
    const QString request = QString::fromUtf8(socket->readLine()).chopped(1);
    socket->write(QByteArray(1, kTaken));
    socket->flush();
    socket->disconnectFromServer();
    emit Received(request);
}
