#pragma once

// One program per user: a second start hands its picture to the first.

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// One running program per user. The first start listens on a local socket in a folder only
// this user can write; a later start hands its request (a picture path, possibly empty, as
// the bytes of its local name behind their length) to it and ends before it touches any
// shared file. Both ends talk only to a peer of the same user, and only through a socket
// file that user owns. A socket left behind by a program that crashed (its connect is
// refused) is replaced; a live one never is. A request already complete is served at
// once; only a few incomplete ones are held, each for a short time.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Role {
        First,        // this process is the program; requests arrive through Received
        HandedOver,   // the running program took the request: end now
        NotAnswering, // a program holds the socket or its lock but did not take the request
        Alone         // no private folder or lock to meet in: run, but without hand-over
    };

    explicit SingleInstance(const QString& socketPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Waits at most answerLimitMs for a running program to confirm the request, and at
    // most lockLimitMs for another start to finish its own claim.
    Role Claim(const QString& request, int answerLimitMs = 5000, int lockLimitMs = 10000);
    bool Listening() const;

    // "quillmark.socket" in PrivateRuntimeFolder(); empty when there is none.
    static QString DefaultSocketPath();

signals:
    void Received(const QString& request);

private:
    void Accept();
    // True when the connection is done with: served, or dropped.
    bool Serve(QLocalSocket* socket);
    Role Listen();

    QString m_path;
    QLocalServer* m_server = nullptr;
    int m_serving = 0; // connections open now
};
