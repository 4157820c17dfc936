// The course data page (tab "コースデータ"): one button that writes a course package to the
// watch on a worker thread.
#pragma once

#include "app/DevicePage.h"

class CDialog2 : public veldrant::app::CDevicePage {
    Q_OBJECT

public:
    static constexpr int kTimerId = 1125;

    CDialog2(veldrant::app::IPageServices& services, QWidget* parent);

    // The package chosen at the last press (empty before the first).
    const QString& PackagePath() const { return m_strPath; }

protected:
    void OnClicked() override;

private:
    QString m_strPath;
};
