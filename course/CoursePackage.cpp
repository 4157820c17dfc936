#include "course/CoursePackage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "course/MemberDecode.h"
#include "course/ZipArchive.h"

namespace veldrant::course {

namespace {
// calloc'ed buffers: zero-filled without touching the pages a small package never uses.
uint8_t* ZeroBuffer(size_t size) {
    return static_cast<uint8_t*>(std::calloc(size, 1));
}
}  // namespace

void CoursePackage::FreeBuffer::operator()(uint8_t* p) const {
    std::free(p);
}

std::string PictureMemberName(uint16_t golfCourseId) {
    return std::to_string(golfCourseId) + ".k16";
}

CoursePackage::CoursePackage()
    : zip_(std::make_unique<ZipArchive>()),
      indexBuffer_(ZeroBuffer(kIndexBufferSize)),
      appendBuffer_(ZeroBuffer(kAppendBufferSize)),
      pictureBuffer_(ZeroBuffer(kPictureBufferSize)) {
    if (!indexBuffer_ || !appendBuffer_ || !pictureBuffer_) {
        throw std::bad_alloc();
    }
}

CoursePackage::~CoursePackage() {
    Close();
}

void CoursePackage::SetZipFailureHandler(ZipFailureHandler handler) {
    zipFailure_ = std::move(handler);
}

bool CoursePackage::Fail(ReadFailure kind, std::string message) {
    failure_ = kind;
    error_ = std::move(message);
    return false;
}

bool CoursePackage::FailZip(std::string message) {
    Fail(ReadFailure::Zip, std::move(message));
    if (zipFailure_) {
        zipFailure_(kZipFailureMessage);
    }
    return false;
}

bool CoursePackage::Open(const std::string& path) {
    failure_ = ReadFailure::None;
    error_.clear();
    if (!zip_->Open(path)) {
        return FailZip("cannot open '" + path + "' as a zip archive");
    }
    return true;
}

void CoursePackage::Close() {
    if (zip_) {
        zip_->Close();
    }
}

bool CoursePackage::IsOpen() const { return zip_->IsOpen(); }

bool CoursePackage::ReadMember(const std::string& name, std::span<uint8_t> buffer,
                               size_t& size) {
    // The buffer is zero-filled before each member; only what the last one used needs clearing.
    std::memset(buffer.data(), 0, std::min(size, buffer.size()));
    std::string why;
    if (!zip_->ReadMember(name, buffer, size, why)) {
        return Fail(ReadFailure::Zip, why);
    }
    return true;
}

bool CoursePackage::ReadIndex() {
    indexRead_ = false;
    if (!ReadMember(kIndexMemberName, {indexBuffer_.get(), kIndexBufferSize}, indexSize_)) {
        return FailZip(error_);
    }
    return DecodeIndexBuffer();
}

bool CoursePackage::ReadAppend() {
    appendRead_ = false;
    if (!ReadMember(kAppendMemberName, {appendBuffer_.get(), kAppendBufferSize}, appendSize_)) {
        return FailZip(error_);
    }
    return DecodeAppendBuffer();
}

bool CoursePackage::ReadPictures(uint16_t golfCourseId) {
    picturesUsable_ = false;
    pictures_ = PictureFile{};
    const std::string name = PictureMemberName(golfCourseId);
    if (!ReadMember(name, {pictureBuffer_.get(), kPictureBufferSize}, pictureSize_)) {
        return false;
    }
    return DecodePictureBuffer(golfCourseId);
}

bool CoursePackage::LoadInto(std::span<const uint8_t> member, std::span<uint8_t> buffer,
                             size_t& size, const char* name) {
    std::memset(buffer.data(), 0, std::min(size, buffer.size()));
    size = 0;
    if (member.size() > buffer.size()) {
        return Fail(ReadFailure::Zip, std::string(name) + ": larger than the " +
                                          std::to_string(buffer.size()) +
                                          " bytes this reader holds");
    }
    std::copy(member.begin(), member.end(), buffer.begin());
    size = member.size();
    return true;
}

bool CoursePackage::LoadIndex(std::span<const uint8_t> member) {
    indexRead_ = false;
    return LoadInto(member, {indexBuffer_.get(), kIndexBufferSize}, indexSize_, kIndexMemberName) &&
           DecodeIndexBuffer();
}

bool CoursePackage::LoadAppend(std::span<const uint8_t> member) {
    appendRead_ = false;
    return LoadInto(member, {appendBuffer_.get(), kAppendBufferSize}, appendSize_,
                    kAppendMemberName) &&
           DecodeAppendBuffer();
}

bool CoursePackage::LoadPictures(uint16_t golfCourseId, std::span<const uint8_t> member) {
    picturesUsable_ = false;
    pictures_ = PictureFile{};
    const std::string name = PictureMemberName(golfCourseId);
    return LoadInto(member, {pictureBuffer_.get(), kPictureBufferSize}, pictureSize_,
                    name.c_str()) &&
           DecodePictureBuffer(golfCourseId);
}

bool CoursePackage::DecodeIndexBuffer() {
    DecodeError e;
    if (!DecodeIndex({indexBuffer_.get(), indexSize_}, index_, e)) {
        index_ = IndexData{};
        return Fail(e.kind, e.message);
    }
    indexRead_ = true;
    return true;
}

bool CoursePackage::DecodeAppendBuffer() {
    DecodeError e;
    if (!DecodeAppend({appendBuffer_.get(), appendSize_}, append_, e)) {
        append_ = AppendData{};
        return Fail(e.kind, e.message);
    }
    appendRead_ = true;
    return true;
}

bool CoursePackage::DecodePictureBuffer(uint16_t golfCourseId) {
    DecodeError e;
    pictures_.golfCourseId = golfCourseId;
    if (!DecodePictures({pictureBuffer_.get(), pictureSize_}, pictures_, e)) {
        pictures_ = PictureFile{};
        return Fail(e.kind, PictureMemberName(golfCourseId) + ": " + e.message);
    }
    picturesUsable_ = true;
    return true;
}

}  // namespace veldrant::course
