#include "platform/SingleInstance.h"

#include "platform/U_LocalFiles.h"
#include "platform/U_SafeWrite.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <QtEndian>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr char kTaken = '1';
constexpr qint64 kLongestRequest = 64 * 1024;
constexpr int kLengthBytes = 4;
// Hand-overs served at once; more wait in the queue until one ends.
constexpr int kMostConnections = 8;
// A start sends its request at once; one that stalls longer is dropped.
constexpr int kRequestLimitMs = 2000;

// Whether the peer closed its end: a start that gave up waiting sends nothing after its
// request, so its hand-over is not carried out later behind its back.
bool peerGone(qintptr fd) {
    char byte = 0;
    return ::recv(int(fd), &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

// Whether the process at the other end of a connected socket runs as this user.
bool peerIsUs(qintptr fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(fd), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == ::geteuid();
}

} // namespace

SingleInstance::SingleInstance(const QString& socketPath, QObject* parent)
    : QObject(parent), m_path(socketPath), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::Accept);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultSocketPath() {
    // A socket's address holds a path of at most 107 bytes; a longer runtime path moves the
    // socket to the user's own cache folder.
    const auto socketIn = [](const QString& folder) {
        const QString path = folder + QStringLiteral("/quillmark.socket");
        return !folder.isEmpty() && size_t(LocalName(path).size()) < sizeof(sockaddr_un{}.sun_path)
                   ? path
                   : QString();
    };
    const QString path = socketIn(PrivateRuntimeFolder());
    return path.isEmpty() ? socketIn(PrivateCacheFolder()) : path;
}

bool SingleInstance::Listening() const {
    return m_server->isListening();
}

SingleInstance::Role SingleInstance::Claim(const QString& request, int answerLimitMs,
                                           int lockLimitMs) {
    // Anything in a folder others can write to may be theirs: a socket that receives our
    // paths, or a lock that holds every start.
    const QString folder = QFileInfo(m_path).absolutePath();
    if (m_path.isEmpty() || !MakeFolderPath(folder) || !IsPrivateFolder(folder))
        return Role::Alone;
    // Two programs started together must not both find no server and both listen. A lock
    // that is not this user's plain file was not left by one of ours.
    const QString lockPath = m_path + QStringLiteral(".lock");
    struct stat info {};
    const QByteArray lockName = LocalName(lockPath);
    if (::lstat(lockName.constData(), &info) == 0 &&
        (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid()))
        ::unlink(lockName.constData());
    QLockFile lock(lockPath);
    const bool locked = lock.tryLock(lockLimitMs);
    if (!locked && lock.error() != QLockFile::LockFailedError)
        return Role::Alone;

    // Only a socket of this user is talked to; anything else there is not ours to trust.
    const QByteArray name = LocalName(m_path);
    const bool ours = ::lstat(name.constData(), &info) == 0 && S_ISSOCK(info.st_mode) &&
                      info.st_uid == ::geteuid();
    if (ours) {
        QLocalSocket socket;
        socket.connectToServer(m_path);
        const bool connected = socket.waitForConnected(answerLimitMs);
        // Only a refused connect means nobody listens; a full queue or a slow program is a
        // live one, whose socket is never taken over.
        if (!connected && socket.error() != QLocalSocket::ConnectionRefusedError &&
            socket.error() != QLocalSocket::ServerNotFoundError)
            return Role::NotAnswering;
        if (connected && peerIsUs(socket.socketDescriptor())) {
            const QByteArray bytes = LocalName(request);
            QByteArray length(kLengthBytes, '\0');
            qToBigEndian<quint32>(quint32(bytes.size()), length.data());
            socket.write(length + bytes);
            socket.flush();
            while (socket.bytesAvailable() == 0 && socket.waitForReadyRead(answerLimitMs)) {
            }
            const bool taken = socket.read(1) == QByteArray(1, kTaken);
            socket.disconnectFromServer();
            return taken ? Role::HandedOver : Role::NotAnswering;
        }
    }
    // A start that holds the lock this long has hung; the socket is not ours to replace.
    if (!locked)
        return Role::NotAnswering;
    // Nobody of ours listens: whatever lies there is left over or planted.
    return Listen();
}

SingleInstance::Role SingleInstance::Listen() {
    ::unlink(LocalName(m_path).constData());
    return m_server->listen(m_path) ? Role::First : Role::Alone;
}

// A start writes its request as soon as it is connected, so it is mostly complete when the
// connection is taken and is served at once. Only a few incomplete ones are held, each for a
// short time; more are dropped, so that stalled connections neither pile up nor make a real
// start wait behind them.
void SingleInstance::Accept() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        socket->waitForReadyRead(0);
        if (peerIsUs(socket->socketDescriptor()) && Serve(socket))
            continue;
        if (!peerIsUs(socket->socketDescriptor()) || m_serving >= kMostConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_serving;
        connect(socket, &QObject::destroyed, this, [this] { --m_serving; });
        QTimer::singleShot(kRequestLimitMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Serve(socket); });
    }
}

bool SingleInstance::Serve(QLocalSocket* socket) {
    if (socket->bytesAvailable() < kLengthBytes)
        return false;
    const quint32 length = qFromBigEndian<quint32>(socket->peek(kLengthBytes).constData());
    // A request is one path; anything longer is not one of ours.
    if (length > kLongestRequest) {
        socket->abort();
        socket->deleteLater();
        return true;
    }
    if (socket->bytesAvailable() < kLengthBytes + qint64(length))
        return false;
    socket->read(kLengthBytes);
    const QString request = PathFromLocal8Bit(socket->read(length));
    if (peerGone(socket->socketDescriptor())) {
        socket->abort();
        socket->deleteLater();
        return true;
    }
    socket->write(QByteArray(1, kTaken));
    socket->flush();
    socket->disconnectFromServer();
    emit Received(request);
    return true;
}
