#pragma once
// One running program per user: the first start listens on a local socket
// (in the abstract namespace on Linux, so no file is made anywhere); a second
// start hands its command line to the first and ends, and the first brings
// its window to the front and opens the folder it was given.
#include <QObject>
#include <QString>

class QLocalServer;

namespace ledgerly::ui {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `name` tells programs apart (the default: one per user and display).
    explicit SingleInstance(const QString& name = DefaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;
    // True when this process is the one that runs; false when another does.
    bool first() const { return server_ != nullptr; }
    // Hands `commandLine` to the running program; false when none answers.
    static bool SendToRunning(const QString& name, const QString& commandLine, int timeoutMs = 3000);
    static QString DefaultName();

signals:
    // A second start's command line (empty when it was started without one).
    void started(const QString& commandLine);

private:
    QLocalServer* server_ = nullptr;
};

}  // namespace ledgerly::ui
