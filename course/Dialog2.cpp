#include "course/Dialog2.h"

#include "app/JobPaths.h"
#include "course/CourseUpload.h"
#include "widgets/ButtonST.h"
#include "widgets/Resources.h"

namespace {

constexpr const char* kText =
    "\n VELDRANTのゴルフ場データをアップデートします。\n "
    "アップデートには約10分～60分かかります。\n "
    "書き込み中はUSBケーブルを抜かないでください。\n データが破損する恐れがあります。";

constexpr veldrant::app::CDevicePage::Faces kFaces{IDB_UPLOAD_IN,        IDB_UPLOAD_OUT,
                                                   IDB_UPLOAD_ABSENT_IN, IDB_UPLOAD_ABSENT_OUT,
                                                   IDB_UPLOAD_BUSY,      IDB_UPLOAD_REFUSED};

}  // namespace

CDialog2::CDialog2(veldrant::app::IPageServices& services, QWidget* parent)
    : CDevicePage(services, kFaces, kTimerId, QString::fromUtf8(kText),
                  QStringLiteral("ゴルフ場データのアップデート"), parent) {}

void CDialog2::OnClicked() {
    if (!BeginPress())
        return;
    m_strPath.clear();
    m_strPath = ChooseFileToOpen(veldrant::app::kFilterZip);
    if (m_strPath.isEmpty())
        return;
    std::string path = veldrant::app::JobPath(m_strPath);
    RunOperation([path](veldrant::CDeviceLink& link, veldrant::ops::IOperationHost& host) {
        veldrant::course::UpdateCourses(link, host, path);
    });
}
