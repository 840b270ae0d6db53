#pragma once

#include <QObject>

#include <memory>

class QLocalServer;
class QLockFile;

namespace ambitra::ui {

// One copy of the program per user: the first copy holds a lock file in the
// temporary folder and listens on a local socket; a later copy finds the lock,
// asks the first one to come forward and ends without a window. A lock left by a
// crashed copy is recognised as stale and taken over.
class SingleInstance : public QObject {
    Q_OBJECT

  public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the first copy (it now holds the lock and listens).
    // Otherwise the running copy has been asked to come forward.
    bool claim();

  signals:
    void activationRequested();

  private:
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

// Brings a main window forward: restored when minimised, raised and activated.
void bringForward(class QWidget* window);

}  // namespace ambitra::ui
