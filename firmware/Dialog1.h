// The firmware page (tab "ファームウェアアップデート"): shows the connected watch's firmware
// version and writes a firmware image to the watch on a worker thread.
#pragma once

#include <optional>
#include <string>

#include "app/DevicePage.h"

class CDialog1 : public veldrant::app::CDevicePage {
    Q_OBJECT

public:
    static constexpr int kTimerId = 1124;

    CDialog1(veldrant::app::IPageServices& services, QWidget* parent);
    ~CDialog1() override;

    QLabel* VersionText() const { return m_pVersion; }
    bool VersionShown() const { return m_bVersionShown; }
    const QString& ImagePath() const { return m_strPath; }

    void Shutdown() override;

protected:
    void OnTimer() override;
    void OnConnectionChanged(bool connected) override;
    void OnClicked() override;

private:
    void StartVersionQuery();

    QLabel* m_pVersion = nullptr;
    veldrant::app::CPageWorker* m_pVersionWorker = nullptr;
    bool m_bVersionShown = false;
    // Counts the connections the page has seen go, so that an answer that comes back after
    // its watch has gone is not shown for the next one.
    unsigned m_nConnectionEpoch = 0;
    QString m_strPath;
};
