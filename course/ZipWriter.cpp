// Writing the package's zip archive through minizip's zip API.
#include <minizip/zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "course/PackageWriter.h"
#include "platform/ZipFile.h"

namespace veldrant::course {

namespace {

// A member's date in the zip's DOS form, from local time (a valid date: the DOS epoch is 1980).
void SetDate(zip_fileinfo& info, std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    if (local.tm_year < 80) {
        local = std::tm{};
        local.tm_year = 80;
        local.tm_mday = 1;
    }
    info.tmz_date.tm_sec = static_cast<unsigned>(local.tm_sec);
    info.tmz_date.tm_min = static_cast<unsigned>(local.tm_min);
    info.tmz_date.tm_hour = static_cast<unsigned>(local.tm_hour);
    info.tmz_date.tm_mday = static_cast<unsigned>(local.tm_mday);
    info.tmz_date.tm_mon = static_cast<unsigned>(local.tm_mon);
    info.tmz_date.tm_year = static_cast<unsigned>(local.tm_year + 1900);
}

bool WriteMember(zipFile zf, const ZipMember& m, std::time_t when, std::string& error) {
    zip_fileinfo info;
    std::memset(&info, 0, sizeof info);
    SetDate(info, when);
    if (zipOpenNewFileInZip(zf, m.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                            Z_DEFAULT_COMPRESSION) != ZIP_OK) {
        error = "cannot add " + m.name + " to the archive";
        return false;
    }
    size_t done = 0;
    bool ok = true;
    while (ok && done < m.bytes.size()) {
        const size_t chunk = std::min<size_t>(m.bytes.size() - done, 1u << 20);
        ok = zipWriteInFileInZip(zf, m.bytes.data() + done, static_cast<unsigned>(chunk)) == ZIP_OK;
        done += chunk;
    }
    if (zipCloseFileInZip(zf) != ZIP_OK || !ok) {
        error = "cannot write " + m.name + " into the archive";
        return false;
    }
    return true;
}

}  // namespace

bool WriteZipInto(platform::SafeOutput& out, const std::vector<ZipMember>& members,
                  std::string& error, std::time_t when) {
    if (when == 0)
        when = std::time(nullptr);
    out.HandOver();
    zipFile zf = platform::CreateZipFile(out.TempPath());
    if (!zf) {
        error = "cannot create '" + out.Target() + "': " + std::strerror(errno);
        return false;
    }
    bool ok = true;
    for (const ZipMember& m : members) {
        if (!WriteMember(zf, m, when, error)) {
            ok = false;
            break;
        }
    }
    if (zipClose(zf, nullptr) != ZIP_OK && ok) {
        error = "cannot finish writing '" + out.Target() + "'";
        ok = false;
    }
    return ok;
}

bool WriteZip(const std::string& path, const std::vector<ZipMember>& members, std::string& error,
              std::time_t when) {
    std::unique_ptr<platform::SafeOutput> out = platform::SafeOutput::Create(path, &error);
    if (!out || !WriteZipInto(*out, members, error, when))
        return false;  // a half-written archive is no package: only the temporary file goes
    if (!out->Commit()) {
        error = out->Error();
        return false;
    }
    return true;
}

}  // namespace veldrant::course
