// The package writer, the reader's inverse: lays out the members in clear, enciphers them with
// the same streams the reader deciphers, and writes the zip archive with minizip's zip API.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "course/PackageDescription.h"

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

// Writes the members into a new zip archive at `path` (deflated).
bool WriteZip(const std::string& path, const std::vector<ZipMember>& members,
              std::string& error);

// CheckDescription, BuildPlainMembers, EncipherMembers and WriteZip.
bool WritePackage(const PackageDescription& description, const std::string& path,
                  std::string& error);

}  // namespace veldrant::course
