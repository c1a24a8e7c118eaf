#pragma once

// One program per user: a second start hands its picture to the first.

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// One running program per user. The first start listens on a local socket in the user's
// runtime folder; a later start hands its request (a picture path, possibly empty) to it
// and ends before it touches any shared file. A socket left behind by a program that
// crashed is found dead and replaced.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Role {
        First,       // this process is the program; requests arrive through Received
        HandedOver,  // the running program took the request: end now
        NotAnswering // a program holds the socket but did not take the request
    };

    explicit SingleInstance(const QString& socketPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Waits at most answerLimitMs for a running program to confirm the request.
    Role Claim(const QString& request, int answerLimitMs = 5000);
    bool Listening() const;

    // The user's runtime folder + "/quillmark.socket".
    static QString DefaultSocketPath();

signals:
    void Received(const QString& request);

private:
    void Accept();
    void Serve(QLocalSocket* socket);

    QString m_path;
    QLocalServer* m_server = nullptr;
};
