// The course package reader: finds the members of the zip archive, reads them whole into its
// buffers, deciphers them and makes the fields readable (course/PackageData.h).
//
// One CoursePackage serves one upload: Open, ReadIndex, ReadAppend, then ReadPictures once a
// golf course, then Close (or destruction). Every operation returns true on success; on failure
// LastError() says what was wrong and LastFailure() what kind of failure it was. Nothing here
// shows anything: when the archive or one of its two main members cannot be read, the zip
// failure handler (if set) is called with kZipFailureMessage, on the calling thread, and the
// front end shows it as the application's own message box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "course/PackageData.h"

namespace veldrant::course {

class ZipArchive;

// The largest member of each kind that the reader holds.
inline constexpr size_t kIndexBufferSize = 0x1000000;  // "index4.dat"
inline constexpr size_t kAppendBufferSize = 0x100000;  // "append.kv1"
inline constexpr size_t kPictureBufferSize = 0x20000;  // "%d.k16"

inline constexpr const char* kIndexMemberName = "index4.dat";
inline constexpr const char* kAppendMemberName = "append.kv1";
// "1234.k16" for golf course id 1234.
std::string PictureMemberName(uint16_t golfCourseId);

// The text of the message that the front end shows for an unreadable archive or main member.
inline constexpr const char* kZipFailureMessage = "Failed to read zip file!";

enum class ReadFailure {
    None,
    Zip,      // archive not opened; member missing, not openable, failing to read, too large
    Format,   // format or record size not what this reader knows
    Damaged,  // tables, blocks, counts or limits that do not hold together
};

class CoursePackage {
public:
    using ZipFailureHandler = std::function<void(std::string_view message)>;

    CoursePackage();
    ~CoursePackage();
    CoursePackage(const CoursePackage&) = delete;
    CoursePackage& operator=(const CoursePackage&) = delete;

    // Called with kZipFailureMessage when Open, ReadIndex or ReadAppend fails for a zip
    // reason. Not called for picture members, whose absence is no error.
    void SetZipFailureHandler(ZipFailureHandler handler);

    // Opens the archive; the path goes to the zip library as the platform's file API wants it
    // (on Linux: its bytes as given).
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const;

    // Locates, reads and deciphers "index4.dat"; checks its format and record size and that
    // every table, data block, item and hole lies inside the member.
    bool ReadIndex();
    // Locates, reads and deciphers "append.kv1"; finds its sections and link entries.
    bool ReadAppend();
    // Locates, reads and deciphers the golf course's picture member. False means "no usable
    // picture file" for that golf course (missing, unreadable, another format or damaged):
    // its holes get no pictures, and the upload goes on.
    bool ReadPictures(uint16_t golfCourseId);

    // The same steps over a member that is already in memory (tests, fuzzing, tools). The
    // member is copied into the reader's buffer; members larger than the buffer are refused.
    bool LoadIndex(std::span<const uint8_t> member);
    bool LoadAppend(std::span<const uint8_t> member);
    bool LoadPictures(uint16_t golfCourseId, std::span<const uint8_t> member);

    const IndexData& Index() const { return index_; }
    const AppendData& Append() const { return append_; }
    // The picture file read last by ReadPictures/LoadPictures, or nullptr when there is none
    // or it was not usable.
    const PictureFile* Pictures() const { return picturesUsable_ ? &pictures_ : nullptr; }

    bool HasIndex() const { return indexRead_; }
    bool HasAppend() const { return appendRead_; }
    const std::string& LastError() const { return error_; }
    ReadFailure LastFailure() const { return failure_; }

private:
    struct FreeBuffer {
        void operator()(uint8_t* p) const;
    };
    using Buffer = std::unique_ptr<uint8_t, FreeBuffer>;

    bool Fail(ReadFailure kind, std::string message);
    bool FailZip(std::string message);
    bool ReadMember(const std::string& name, std::span<uint8_t> buffer, size_t& size);
    bool LoadInto(std::span<const uint8_t> member, std::span<uint8_t> buffer, size_t& size,
                  const char* name);
    bool DecodeIndexBuffer();
    bool DecodeAppendBuffer();
    bool DecodePictureBuffer(uint16_t golfCourseId);

    std::unique_ptr<ZipArchive> zip_;
    Buffer indexBuffer_;
    Buffer appendBuffer_;
    Buffer pictureBuffer_;
    size_t indexSize_ = 0;
    size_t appendSize_ = 0;
    size_t pictureSize_ = 0;
    IndexData index_;
    AppendData append_;
    PictureFile pictures_;
    bool indexRead_ = false;
    bool appendRead_ = false;
    bool picturesUsable_ = false;
    ZipFailureHandler zipFailure_;
    std::string error_;
    ReadFailure failure_ = ReadFailure::None;
};

}  // namespace veldrant::course
