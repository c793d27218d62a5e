#include "window/come_forward.h"

#include <QLocalSocket>

namespace {

constexpr char KNOCK[] = "forward";
// A knock is one short line: the word and a token of the desktop's.
constexpr qint64 MAX_KNOCK = 1024;
constexpr int WAIT_MS = 1000;

}  // namespace

QString running_copy_door_path(const QString& folder) { return folder + "/tombora.door"; }

RunningCopyDoor::RunningCopyDoor(const QString& path, std::function<void(const QString&)> knocked)
    : on_knock(std::move(knocked))
{
    server.setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(path);
    server.listen(path);
    connect(&server, &QLocalServer::newConnection, this, &RunningCopyDoor::let_in);
}

// The game's own loop never deletes objects later: visitors that have
// gone are deleted when the next one comes.
void RunningCopyDoor::let_in()
{
    for (QLocalSocket* old : server.findChildren<QLocalSocket*>(Qt::FindDirectChildrenOnly))
        if (old->state() == QLocalSocket::UnconnectedState)
            delete old;
    while (QLocalSocket* visitor = server.nextPendingConnection()) {
        connect(visitor, &QLocalSocket::readyRead, this, [this, visitor] {
            if (!visitor->canReadLine()) {
                if (visitor->bytesAvailable() > MAX_KNOCK)
                    visitor->abort();
                return;
            }
            QString line = QString::fromUtf8(visitor->readLine(MAX_KNOCK)).trimmed();
            visitor->disconnectFromServer();
            if (line == KNOCK || line.startsWith(QString(KNOCK) + ' '))
                on_knock(line.mid(int(sizeof KNOCK)).trimmed());
        });
    }
}

bool knock_on_running_copy(const QString& path, const QString& token)
{
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(WAIT_MS))
        return false;
    QByteArray line = QByteArray(KNOCK) + (token.isEmpty() ? "" : " " + token.toUtf8()) + "\n";
    socket.write(line);
    bool sent = socket.waitForBytesWritten(WAIT_MS);
    socket.disconnectFromServer();
    return sent;
}
