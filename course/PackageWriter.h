// The package writer, the reader's inverse: lays out the members in clear, enciphers them with
// the same streams the reader deciphers, and writes the zip archive with minizip's zip API.
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <vector>

#include "course/PackageDescription.h"
#include "platform/SafeOutput.h"

namespace veldrant::course {

struct ZipMember {
    std::string name;
    std::vector<uint8_t> bytes;
};

// The members in clear, salts in place: "index4.dat", "append.kv1", then one "%d.k16" a golf
// course with a picture member, in golf course order. Writes what it is given, limits or not.
std::vector<ZipMember> BuildPlainMembers(const PackageDescription& description);

// Encipher a member in clear in place, reading the ranges from its own header and tables the
// way the reader will find them. Ranges that run past the member are cut at its end.
void EncipherIndex(std::span<uint8_t> member);
void EncipherAppend(std::span<uint8_t> member);
void EncipherPictures(std::span<uint8_t> member);
// Enciphers every member by its name's kind (index, append or picture file).
void EncipherMembers(std::vector<ZipMember>& members);

// Writes the members (deflated) as a zip archive into the temporary file of `out`, which the
// caller commits or abandons. Each member is dated `when` in local time (0: the current time).
bool WriteZipInto(platform::SafeOutput& out, const std::vector<ZipMember>& members,
                  std::string& error, std::time_t when = 0);
// Writes the members into a zip archive at `path`, which replaces a file of that name only once
// it is whole; on failure the file that was there is kept.
bool WriteZip(const std::string& path, const std::vector<ZipMember>& members, std::string& error,
              std::time_t when = 0);

// CheckDescription, BuildPlainMembers, EncipherMembers and WriteZipInto (not committed).
bool WritePackageInto(const PackageDescription& description, platform::SafeOutput& out,
                      std::string& error);
// The same into a file at `path`, committed when whole.
bool WritePackage(const PackageDescription& description, const std::string& path,
                  std::string& error);

}  // namespace veldrant::course
