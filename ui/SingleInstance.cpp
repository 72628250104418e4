#include "ui/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <memory>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace ledgerly::ui {
namespace {

constexpr int kMaxMessage = 64 * 1024;

QLocalServer::SocketOptions Options() {
#ifdef Q_OS_LINUX
    return QLocalServer::AbstractNamespaceOption;
#else
    return QLocalServer::UserAccessOption;
#endif
}

}  // namespace

// One per user and display: a program on another X display (another session,
// an Xvfb) is a program of its own.
QString SingleInstance::DefaultName() {
#ifndef _WIN32
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty()) display = qEnvironmentVariable("DISPLAY");
    for (QChar& c : display)
        if (!c.isLetterOrNumber()) c = QLatin1Char('_');
    return QStringLiteral("ledgerly-%1-%2").arg(::getuid()).arg(display);
#else
    return QStringLiteral("ledgerly-") + qEnvironmentVariable("USERNAME");
#endif
}

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent) {
    auto server = std::make_unique<QLocalServer>(this);
    server->setSocketOptions(Options());
    if (!server->listen(name)) {
#ifndef Q_OS_LINUX
        // A socket file a crashed run left behind answers nobody: take its place.
        if (server->serverError() == QAbstractSocket::AddressInUseError && !SendToRunning(name, QString(), 500) &&
            QLocalServer::removeServer(name) && server->listen(name)) {
            server_ = server.release();
        }
#endif
        if (!server_) return;
    } else {
        server_ = server.release();
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
                *buffer += socket->readAll();
                if (buffer->size() > kMaxMessage) {
                    socket->abort();
                    return;
                }
                // One line: the command line, ended by a line feed.
                if (const qsizetype end = buffer->indexOf('\n'); end >= 0) {
                    const QString commandLine = QString::fromUtf8(buffer->left(end));
                    socket->disconnectFromServer();
                    emit started(commandLine);
                }
            });
        }
    });
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::SendToRunning(const QString& name, const QString& commandLine, int timeoutMs) {
    QLocalSocket socket;
#ifdef Q_OS_LINUX
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
#endif
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(commandLine.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    socket.waitForDisconnected(timeoutMs);
    return true;
}

}  // namespace ledgerly::ui
