#pragma once

#include "core/sync/LocationCheckList.h"
#include "core/common/SyncLog.h"

#include <QDialog>
#include <QSize>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace ambitra {
struct ServiceRequest;
struct ServiceResponse;
class ColetorApi;
class ColetorService;
class ConduitRegistration;
class Cradle;
class HotSyncServer;
class Prompter;
class Registry;
class SyncCycle;
class TDados;
}  // namespace ambitra

namespace ambitra::ui {

// The synchronisation window "Sincronização": its log, the locations offered for
// a load, and "Ativar"/"Desativar" for HotSync support. Created once at start, so
// the log keeps its lines between showings. While support is on every HotSync of
// the handheld runs one cycle (the handheld presses HotSync over a local socket)
// and the window refuses to close.
class TSincronizacao : public QDialog {
    Q_OBJECT

  public:
    TSincronizacao(TDados& dados, Prompter& prompter, Registry& registry,
                   QWidget* parent = nullptr);
    ~TSincronizacao() override;

    // The size available to child windows of the main window, read at each showing.
    void setChildSize(std::function<QSize()> childSize) { m_childSize = std::move(childSize); }

    void FormActivate();
    void BitBtn1Click();  // "Ativar"
    void BitBtn2Click();  // "Desativar"
    void BitBtn3Click();  // "Todos"
    void BitBtn4Click();  // "Nenhum"

    bool supportOn() const;

    // The handheld service ("Coletor"): started at creation when the settings
    // say so, switched by its box; its loads and unloads write into this log.
    bool setColetorOn(bool on);
    // Once the program has read its settings and opened the register: starts the
    // service when the settings say so.
    void startWithProgram();
    bool coletorOn() const;
    ColetorService& coletor() { return *m_coletor; }
    ColetorApi& coletorApi() { return *m_coletorApi; }
    // The service's API requests: answered by the API, and a load or an unload
    // that went through announced by countsChanged.
    ServiceResponse serveColetor(const ServiceRequest& request);
    void showColetor();
    const SyncLog& log() const { return m_log; }
    const LocationCheckList& locations() const { return m_locations; }

    void reject() override;

  signals:
    // A load or an unload went through, from a HotSync or from the handheld in
    // the browser: the counts and their readings may have changed.
    void countsChanged();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* buildLocationPanel();
    QWidget* buildBottomPanel();
    QWidget* buildColetorPanel();
    void newPairingCode();
    void revokeDevice();
    void showLog();
    void showLocations();
    void setButtons(bool on);
    bool refuseClose();

    TDados& m_dados;
    Prompter& m_prompter;
    SyncLog m_log;
    LocationCheckList m_locations;
    std::unique_ptr<Cradle> m_cradle;
    std::unique_ptr<SyncCycle> m_cycle;
    std::unique_ptr<ConduitRegistration> m_conduit;
    std::unique_ptr<HotSyncServer> m_server;
    std::function<QSize()> m_childSize;
    std::unique_ptr<ColetorApi> m_coletorApi;
    std::unique_ptr<ColetorService> m_coletor;

    QPlainTextEdit* m_memo = nullptr;
    QListWidget* m_list = nullptr;
    QWidget* m_panel3 = nullptr;
    QPushButton* m_ativar = nullptr;
    QPushButton* m_desativar = nullptr;
    QPushButton* m_todos = nullptr;
    QPushButton* m_nenhum = nullptr;
    QCheckBox* m_coletorBox = nullptr;
    QLabel* m_coletorAddress = nullptr;
    QLabel* m_qr = nullptr;
    QLabel* m_code = nullptr;
    QPushButton* m_newCode = nullptr;
    QTreeWidget* m_devices = nullptr;
    QPushButton* m_revoke = nullptr;
};

}  // namespace ambitra::ui
