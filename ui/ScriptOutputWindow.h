#pragma once
// What a user's script printed and how it ended: its standard output and
// error as they come, then its exit status. The program does not wait for the
// script; closing the window while the script runs leaves it running.
#include <QString>
#include <QWidget>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QProcess;

namespace ledgerly::ui {

class ScriptOutputWindow : public QWidget {
    Q_OBJECT
public:
    ScriptOutputWindow(const QString& scriptName, QWidget* owner);
    ~ScriptOutputWindow() override;
    // Starts argv[0] with the rest as its arguments; false, with the reason in
    // `error`, when it could not start.
    bool start(const std::vector<std::string>& argv, QString* error);
    QString output() const;
    bool finished() const { return finished_; }
    int exitStatus() const { return exitStatus_; }

signals:
    void scriptFinished(int exitStatus);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void append(const QByteArray& bytes);
    QProcess* process_;
    QPlainTextEdit* output_;
    QLabel* status_;
    bool finished_ = false;
    bool closed_ = false;
    int exitStatus_ = -1;
};

}  // namespace ledgerly::ui
